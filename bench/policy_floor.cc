// The floor for the policy benchmark: a responder that does what any
// policy service does per request and nothing more. It reads the request,
// opens, fstats and reads the secret, and answers DUNNO.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/iobuf.h"
#include "tools/policy.h"

namespace {
char input_storage[4096];
constinit policy_request request = {};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  iobuf in;
  iobuf_init(&in, fd_read, 0, input_storage, sizeof input_storage);
  while (policy_request_next(&in, &request) > 0) {
    const int fd = open(argv[1], O_RDONLY | O_NONBLOCK);
    struct stat st;
    char key[64];
    if (fd < 0 || fstat(fd, &st) != 0 || read(fd, key, sizeof key) <= 0) return 111;
    close(fd);
    if (iobuf_puts(&iobuf_out, "action=DUNNO\n\n") < 0 || iobuf_flush(&iobuf_out) < 0) return 111;
  }
  return 0;
}

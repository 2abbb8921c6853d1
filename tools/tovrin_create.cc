// tovrin-create expire prefix secret suffix
//
// Prints prefix, the tag (expiry second, ".", cookie) and suffix, with no
// newline. The cookie binds the expiry and $SENDER to the secret file.

#include "cookie/cookie.h"
#include "support/helpers.h"
#include "support/iobuf.h"
#include "tools/fatal_line.h"
#include "tools/run_start.h"

namespace {

constexpr const char* FATAL = "tovrin-create: fatal: ";

[[noreturn]] void usage() { refuse(FATAL, "usage: tovrin-create expire prefix secret suffix"); }

char key[SECRET_MAX];

}  // namespace

int main(int argc, char** argv) {
  run_start();
  const char* sender = env_find("SENDER");
  if (sender == nullptr) refuse(FATAL, "$SENDER is not set");

  if (argc < 2) usage();
  uint64_t lifetime = 0;
  num_scan(argv[1], &lifetime);
  // Unsigned on purpose: the sum wraps modulo 2^64.
  const uint64_t expiry = clock_read(FATAL) + lifetime;

  if (argc < 3) usage();
  const char* prefix = argv[2];
  if (argc < 4) usage();
  // Loaded before the suffix is looked for: an unreadable secret is reported
  // even when the suffix is missing too.
  const int32_t key_len = key_load(FATAL, argv[3], key);
  if (argc < 5) usage();
  const char* suffix = argv[4];

  char expiry_text[NUM_DIGITS_MAX + 1];
  expiry_text[num_format(expiry_text, expiry)] = '\0';
  char cookie[COOKIE_LEN];
  cookie_make(cookie, key, key_len, expiry_text, sender, "");

  if (iobuf_puts(&iobuf_out, prefix) < 0 || iobuf_puts(&iobuf_out, expiry_text) < 0 ||
      iobuf_puts(&iobuf_out, ".") < 0 || iobuf_put(&iobuf_out, cookie, COOKIE_LEN) < 0 ||
      iobuf_puts(&iobuf_out, suffix) < 0 || iobuf_flush(&iobuf_out) < 0)
    fail_system(FATAL, "unable to write output: ");
  return 0;
}

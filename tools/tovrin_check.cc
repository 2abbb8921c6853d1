// tovrin-check secret cookie
//
// Exit status 0 when the tag is unexpired and its cookie is the one the
// secret file gives for $SENDER; 100 when refused; 111 when the secret cannot
// be read or is empty, or the clock is before 1970. Never writes to standard
// output.

#include "support/helpers.h"
#include "tools/fatal_line.h"
#include "tools/run_start.h"
#include "tools/tag.h"

namespace {

constexpr const char* FATAL = "tovrin-check: fatal: ";

[[noreturn]] void usage() { refuse(FATAL, "usage: tovrin-check secret cookie"); }

char key[SECRET_MAX];

}  // namespace

int main(int argc, char** argv) {
  run_start();
  const char* sender = env_find("SENDER");
  if (sender == nullptr) refuse(FATAL, "$SENDER is not set");

  if (argc < 2) usage();
  // Loaded before the tag is looked for: an unreadable secret is a
  // temporary failure even when the tag is missing too.
  const int32_t key_len = key_load(FATAL, argv[1], key);
  if (argc < 3) usage();

  const uint64_t now = clock_read(FATAL);
  if (!tag_is_good(argv[2], key, key_len, sender, now)) refuse(FATAL, "cookie doesn't check out");
  return 0;
}

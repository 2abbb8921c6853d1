// tovrin-check secret cookie
//
// Exit status 0 when the tag is unexpired and its cookie is the one the
// secret file gives for $SENDER; 100 when refused; 111 when the secret cannot
// be read. Never writes to standard output.

#include <ctime>

#include "support/helpers.h"
#include "tools/fatal_line.h"
#include "tools/secret.h"
#include "tools/tag.h"

namespace {

constexpr const char* FATAL = "tovrin-check: fatal: ";

[[noreturn]] void usage() { refuse(FATAL, "usage: tovrin-check secret cookie"); }

char key[SECRET_MAX];

}  // namespace

int main(int argc, char** argv) {
  const char* sender = env_find("SENDER");
  if (sender == nullptr) refuse(FATAL, "$SENDER is not set");

  if (argc < 2) usage();
  // Loaded before the tag is looked for: an unreadable secret is a
  // temporary failure even when the tag is missing too.
  const std::int32_t key_len = secret_load(argv[1], key);
  if (key_len < 0) fail_system(FATAL, "unable to read secret: ");
  if (argc < 3) usage();

  const std::uint64_t now = static_cast<std::uint64_t>(time(nullptr));
  if (!tag_is_good(argv[2], key, key_len, sender, now)) refuse(FATAL, "cookie doesn't check out");
  return 0;
}

// tovrin-check-rotating secret cookie
//
// tovrin-check while a secret is being replaced: the same arguments,
// $SENDER and exit statuses. A tag the secret refuses is judged once more
// with secret.old, the previous secret that tovrin-secret-replace keeps
// beside it. Stricter than tovrin-check: both files must be regular files
// that neither group nor others can write, and secret.old must have the
// secret's owner; otherwise a tag the secret refuses gets 111.

#include "support/helpers.h"
#include "tools/fatal_line.h"
#include "tools/judge.h"
#include "tools/run_start.h"

namespace {

constexpr const char* FATAL = "tovrin-check-rotating: fatal: ";

[[noreturn]] void usage() { refuse(FATAL, "usage: tovrin-check-rotating secret cookie"); }

[[noreturn]] void fail(const verdict& v) {
  fatal_exit(v.status, FATAL, v.message, v.error != 0 ? sys_errtext(v.error) : nullptr, nullptr,
             nullptr, nullptr, nullptr);
}

constinit judge_keys keys = {};

}  // namespace

int main(int argc, char** argv) {
  run_start();
  const char* sender = env_find("SENDER");
  if (sender == nullptr) refuse(FATAL, "$SENDER is not set");

  if (argc < 2) usage();
  // Loaded before the tag is looked for, as tovrin-check does.
  verdict v = judge_load_secret(argv[1], &keys);
  if (v.status != 0) fail(v);
  if (argc < 3) usage();

  const uint64_t now = clock_read(FATAL);
  v = judge_tag(argv[1], &keys, argv[2], sender, now);
  if (v.status != 0) fail(v);
  return 0;
}

#include "tools/run_start.h"

#include <signal.h>

#include "support/sig.h"
#include "tools/clock.h"
#include "tools/fatal_line.h"

void run_start() {
  sig_ignore(SIGPIPE);
  sig_ignore(SIGXFSZ);
}

int32_t key_load(const char* fatal_prefix, const char* path, char key[SECRET_MAX]) {
  const int32_t key_len = secret_load(path, key);
  if (key_len < 0) fail_system(fatal_prefix, "unable to read secret: ");
  // An empty file, /dev/null, a FIFO with no writer, or a secret caught
  // while it is rewritten in place: refused as unreadable, so mail waits.
  if (key_len == 0) fail_temporarily(fatal_prefix, "secret is empty");
  return key_len;
}

uint64_t clock_read(const char* fatal_prefix) {
  const int64_t now = clock_now();
  if (now < 0) fail_temporarily(fatal_prefix, "clock is before 1970");
  return static_cast<uint64_t>(now);
}

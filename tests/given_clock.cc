// The clock of the test twins (tovrin-create-given-clock and
// tovrin-check-given-clock): the seconds in TOVRIN_GIVEN_CLOCK, which may be
// negative, or the system clock when it is not set. The installed programs
// link tools/clock_now.cc instead and read no such variable.
#include <stdlib.h>
#include <time.h>

#include "tools/clock.h"

int64_t clock_now() {
  const char* given = getenv("TOVRIN_GIVEN_CLOCK");
  if (given == nullptr) return time(nullptr);
  return strtoll(given, nullptr, 10);
}

// The clock both programs read, in its own file so that a test build can
// link a clock it sets itself.
#pragma once

#include <stdint.h>

// Whole seconds since the epoch, as the system clock gives them: negative
// when the clock is set before 1970.
int64_t clock_now();

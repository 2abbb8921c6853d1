// Steps both programs take before they look at the tag.
#pragma once

#include <stdint.h>

#include "tools/secret.h"

// Ignores SIGPIPE and SIGXFSZ: a write that cannot be done becomes an error
// that the run reports with its intended status, never a signal death.
void run_start();

// Loads the key for this run, or ends the run with status 111: when the
// secret cannot be read, and when it is empty, since anyone can compute
// cookies for the empty key. Returns the key length, 1 to SECRET_MAX.
int32_t key_load(const char* fatal_prefix, const char* path, char key[SECRET_MAX]);

// The clock in seconds since the epoch, or the end of the run with status
// 111 when it is set before 1970: such a clock gives no sane expiry.
uint64_t clock_read(const char* fatal_prefix);

// The secret file, shared by both programs.
#pragma once

#include <stdint.h>

// Only this many leading bytes of the secret file count.
inline constexpr int SECRET_MAX = 64;

// Fills key with what one read of at most SECRET_MAX bytes delivers from the
// file at path, used raw (a trailing newline is a key byte like any other).
// Returns the count, 0 to SECRET_MAX, or -1 with errno set when the file
// cannot be opened or read.
int32_t secret_load(const char* path, char key[SECRET_MAX]);

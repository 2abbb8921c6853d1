// Judging a tag: expiry digits, ".", COOKIE_LEN letters.
#pragma once

#include <stdint.h>

// True when tag is unexpired at now (good up to and including its expiry
// second) and its letters equal the cookie derived from the key, the expiry
// written again in decimal, and sender. Leading zeros and digits beyond 2^64
// are read as num_scan reads them.
bool tag_is_good(const char* tag, const char* key, int32_t key_len, const char* sender,
                 uint64_t now);

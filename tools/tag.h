// Judging a tag: expiry digits, ".", COOKIE_LEN letters.
#pragma once

#include <stdint.h>

#include "cookie/cookie.h"

// True when tag is unexpired at now (good up to and including its expiry
// second) and its letters equal the cookie derived from the key, the expiry
// written again in decimal, and sender. Leading zeros and digits beyond 2^64
// are read as num_scan reads them.
bool tag_is_good(const char* tag, const char* key, int32_t key_len, const char* sender,
                 uint64_t now);

// The steps of tag_is_good, for callers that keep a stretched key.
// Reads the expiry and finds the letters; false, with nothing derived, when
// the tag is expired at now or not digits, ".", exactly COOKIE_LEN bytes.
bool tag_split(const char* tag, uint64_t now, uint64_t* expiry, const char** letters);
// True when letters are the cookie for expiry and sender under seed. Looks
// at every letter, so the time taken does not tell how many were right.
bool tag_letters_good(const char* letters, uint64_t expiry,
                      const uint32_t seed[COOKIE_SEED_WORDS], const char* sender);

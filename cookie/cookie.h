// Cookie derivation: 20 letters a..p binding an expiry text and a sender text
// to a secret key.
#pragma once

#include <stdint.h>

inline constexpr int COOKIE_LEN = 20;
// Words of the seed that the key is stretched into.
inline constexpr int COOKIE_SEED_WORDS = 32;

// Writes exactly COOKIE_LEN letters into cookie and nothing after them.
// The key is taken by its count (NUL bytes included); the texts are
// NUL-terminated, and only the first byte of discriminator is hashed.
// The same as cookie_stretch followed by cookie_derive.
void cookie_make(char cookie[COOKIE_LEN], const char* key, int32_t key_len,
                 const char* expiry_text, const char* sender,
                 const char* discriminator);

// The four passes over the key: they depend on the key alone, so a caller
// that judges many tags under one key stretches it once. The seed is as
// good as the key; wipe it when done.
void cookie_stretch(uint32_t seed[COOKIE_SEED_WORDS], const char* key, int32_t key_len);

// The cookie for the texts under a seed from cookie_stretch.
void cookie_derive(char cookie[COOKIE_LEN], const uint32_t seed[COOKIE_SEED_WORDS],
                   const char* expiry_text, const char* sender, const char* discriminator);

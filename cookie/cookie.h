// Cookie derivation: 20 letters a..p binding an expiry text and a sender text
// to a secret key.
#pragma once

#include <stdint.h>

inline constexpr int COOKIE_LEN = 20;

// Writes exactly COOKIE_LEN letters into cookie and nothing after them.
// The key is taken by its count (NUL bytes included); the texts are
// NUL-terminated, and only the first byte of discriminator is hashed.
void cookie_make(char cookie[COOKIE_LEN], const char* key, int32_t key_len,
                 const char* expiry_text, const char* sender,
                 const char* discriminator);

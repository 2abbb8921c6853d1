#include "support/helpers.h"

uint32_t text_len(const char* text) {
  uint32_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// The text ending early also stops the loop: its NUL differs from the
// prefix's byte at that position.
int text_starts(const char* text, const char* prefix) {
  for (uint32_t i = 0; prefix[i] != '\0'; ++i)
    if (text[i] != prefix[i]) return 0;
  return 1;
}

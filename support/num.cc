#include "support/helpers.h"

uint32_t num_format(char* to, uint64_t value) {
  uint32_t digits = 1;
  for (uint64_t rest = value; rest >= 10; rest /= 10) ++digits;
  if (to == nullptr) return digits;
  // Produced from the last position backward.
  uint32_t at = digits;
  do {
    to[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (at > 0);
  return digits;
}

// Longer numbers wrap modulo 2^64 by design: unsigned arithmetic, no check.
uint32_t num_scan(const char* text, uint64_t* number) {
  uint64_t value = 0;
  uint32_t count = 0;
  for (; text[count] >= '0' && text[count] <= '9'; ++count)
    value = value * 10 + static_cast<uint64_t>(text[count] - '0');
  *number = value;
  return count;
}

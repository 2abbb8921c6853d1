#include "support/helpers.h"

void mem_copy(char* to, uint32_t len, const char* from) {
  for (uint32_t i = 0; i < len; ++i) to[i] = from[i];
}

void mem_copy_back(char* to, uint32_t len, const char* from) {
  while (len > 0) {
    --len;
    to[len] = from[len];
  }
}

int mem_diff(const char* a, uint32_t len, const char* b) {
  for (uint32_t i = 0; i < len; ++i)
    if (a[i] != b[i])
      return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
  return 0;
}

void mem_wipe(void* to, uint32_t len) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(to);
  for (uint32_t i = 0; i < len; ++i) bytes[i] = 0;
}

#include <unistd.h>

#include "support/helpers.h"

const char* env_find(const char* name) {
  if (name == nullptr) return nullptr;
  const uint32_t len = text_len(name);
  if (environ == nullptr) return nullptr;
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (text_starts(*entry, name) && (*entry)[len] == '=') return *entry + len + 1;
  return nullptr;
}

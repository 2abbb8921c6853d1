// num_scan against a plain reading of the digits, and num_format and
// num_scan as each other's inverse.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::string text = raw.substr(0, raw.find('\0'));

  std::uint64_t expected = 0;
  std::uint32_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
    expected = expected * 10 + static_cast<std::uint64_t>(text[digits++] - '0');
  std::uint64_t value = ~std::uint64_t{0};
  if (num_scan(text.c_str(), &value) != digits || value != expected) std::abort();

  std::uint64_t from_bytes = 0;
  std::memcpy(&from_bytes, raw.data(), raw.size() < 8 ? raw.size() : 8);
  for (std::uint64_t v : {value, from_bytes}) {
    char out[NUM_DIGITS_MAX + 1];
    const std::uint32_t len = num_format(out, v);
    if (len < 1 || len > NUM_DIGITS_MAX || len != num_format(nullptr, v)) std::abort();
    if (len > 1 && out[0] == '0') std::abort();
    out[len] = '\0';
    if (std::to_string(v) != out) std::abort();
    std::uint64_t back = 0;
    if (num_scan(out, &back) != len || back != v) std::abort();
  }
  return 0;
}

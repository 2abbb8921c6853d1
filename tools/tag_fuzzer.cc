// Any bytes as the tag under a fixed key, sender and clock: the judgement
// never crashes, and whatever it accepts is, once its digits are written
// again without leading zeros and modulo 2^64, exactly the tag the creator
// would print for that expiry.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cookie/cookie.h"
#include "tools/tag.h"

namespace {
const char key[] = "fuzzing key, 32 bytes long.....\n";
const char sender[] = "alice@example.org";
constexpr std::uint64_t now = 1800000000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An argument cannot hold a NUL: it ends there.
  const std::string tag(reinterpret_cast<const char*>(data), size);
  const std::string arg = tag.substr(0, tag.find('\0'));
  if (!tag_is_good(arg.c_str(), key, sizeof key - 1, sender, now)) return 0;

  std::uint64_t expiry = 0;
  std::size_t digits = 0;
  for (; digits < arg.size() && arg[digits] >= '0' && arg[digits] <= '9'; ++digits)
    expiry = expiry * 10 + static_cast<std::uint64_t>(arg[digits] - '0');
  if (expiry < now) std::abort();
  const std::string written = std::to_string(expiry);
  char cookie[COOKIE_LEN];
  cookie_make(cookie, key, sizeof key - 1, written.c_str(), sender, "");
  if (written + arg.substr(digits) != written + "." + std::string(cookie, COOKIE_LEN)) std::abort();
  return 0;
}

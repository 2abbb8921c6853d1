#include "tests/programs.h"

#include <gtest/gtest.h>

#include "cookie/cookie.h"

std::string expected_cookie(const std::string& key, const std::string& expiry,
                            const std::string& sender) {
  char cookie[COOKIE_LEN];
  cookie_make(cookie, key.data(), static_cast<std::int32_t>(key.size()), expiry.c_str(),
              sender.c_str(), "");
  return std::string(cookie, COOKIE_LEN);
}

std::string tag_for(const std::string& key, unsigned long long expiry, const std::string& sender) {
  const std::string digits = std::to_string(expiry);
  return digits + "." + expected_cookie(key, digits, sender);
}

void expect_refusals(child_result (*run)(const std::vector<std::string>&,
                                          const std::vector<std::string>&, const child_setup&),
                     const std::vector<refusal_case>& cases) {
  for (const auto& c : cases) {
    const auto r = run(c.args, c.env, child_setup{});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
}

#include "cookie/cookie.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/vector_file.h"

namespace {

std::string cookie_of(const std::string& key, const char* expiry, const char* sender,
                      const char* discriminator = "") {
  char out[COOKIE_LEN];
  cookie_make(out, key.data(), static_cast<std::int32_t>(key.size()), expiry, sender,
              discriminator);
  return std::string(out, COOKIE_LEN);
}

}  // namespace

TEST(Cookie, MatchesEveryKnownAnswer) {
  const auto vectors = read_vectors("cookie.txt");
  ASSERT_GE(vectors.size(), 18u);
  for (const auto& v : vectors) {
    const std::string key = hex_bytes(v[0]);
    const std::string expiry = field_text(v[1]);
    const std::string sender = field_text(v[2]);
    const std::string discriminator = field_text(v[3]);
    EXPECT_EQ(cookie_of(key, expiry.c_str(), sender.c_str(), discriminator.c_str()), v[4])
        << v[0] << " " << v[1] << " " << v[2];
  }
}

TEST(Cookie, KeyIsTakenByCountNotAsText) {
  const std::string with_nul("a\0b", 3), other_tail("a\0c", 3), cut("a", 1);
  EXPECT_NE(cookie_of(with_nul, "1", "s"), cookie_of(other_tail, "1", "s"));
  EXPECT_NE(cookie_of(with_nul, "1", "s"), cookie_of(cut, "1", "s"));
  EXPECT_NE(cookie_of(std::string(), "1", "s"), cookie_of(std::string(1, '\0'), "1", "s"));
}

TEST(Cookie, OnlyTheFirstDiscriminatorByteCounts) {
  const std::string key = "secret\n";
  EXPECT_EQ(cookie_of(key, "9", "s", "x"), cookie_of(key, "9", "s", "xyz"));
  EXPECT_NE(cookie_of(key, "9", "s", "x"), cookie_of(key, "9", "s", ""));
  EXPECT_NE(cookie_of(key, "9", "s", "x"), cookie_of(key, "9", "s", "y"));
}

// The NUL after the expiry is hashed, so the boundary between the two texts
// is part of the message.
TEST(Cookie, MovingBytesAcrossTheExpirySenderBoundaryChangesIt) {
  const std::string key = "k";
  EXPECT_NE(cookie_of(key, "123", "4x"), cookie_of(key, "1234", "x"));
  EXPECT_NE(cookie_of(key, "12", "34x"), cookie_of(key, "123", "4x"));
  EXPECT_NE(cookie_of(key, "1", ""), cookie_of(key, "", "1"));
}

TEST(Cookie, WritesTwentyLettersAToPAndNothingAfter) {
  for (const char* sender : {"", "a", "user@example.org", "\xff\x80"}) {
    char out[COOKIE_LEN + 1];
    out[COOKIE_LEN] = '#';
    cookie_make(out, "key", 3, "1700000000", sender, "");
    EXPECT_EQ(out[COOKIE_LEN], '#');
    for (int i = 0; i < COOKIE_LEN; ++i) {
      EXPECT_GE(out[i], 'a');
      EXPECT_LE(out[i], 'p');
    }
  }
}

#include "tools/tag.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/programs.h"

namespace {

const std::string key = "0123456789abcdef0123456789abcdef\n";
const std::string sender = "list-bounce@example.org";
constexpr unsigned long long now = 1800000000;

bool good(const std::string& tag, unsigned long long at = now, const std::string& who = sender,
          const std::string& k = key) {
  return tag_is_good(tag.c_str(), k.data(), static_cast<std::int32_t>(k.size()), who.c_str(), at);
}

std::string flip_case(std::string s, std::size_t at) {
  s[at] = static_cast<char>(s[at] - 'a' + 'A');
  return s;
}

std::string other_letter(std::string s, std::size_t at) {
  s[at] = s[at] == 'a' ? 'b' : 'a';
  return s;
}

}  // namespace

TEST(TagIsGood, GoodUpToAndIncludingTheExpirySecond) {
  const std::string tag = tag_for(key, now, sender);
  EXPECT_TRUE(good(tag, now - 1000));
  EXPECT_TRUE(good(tag, now));
  EXPECT_FALSE(good(tag, now + 1));
  // Compared unsigned: a clock near 2^64 outlives every expiry but the last.
  EXPECT_TRUE(good(tag_for(key, 18446744073709551615u, sender), 18446744073709551615u));
  EXPECT_FALSE(good(tag_for(key, 0, sender), 1));
  EXPECT_TRUE(good(tag_for(key, 0, sender), 0));
}

TEST(TagIsGood, RejectsEveryMalformedOrForgedTag) {
  const std::string tag = tag_for(key, now + 60, sender);
  const std::size_t point = tag.find('.');
  const std::string letters = tag.substr(point + 1);
  const std::string bad[] = {
      "",
      ".",
      "." + letters,
      other_letter(tag, point + 1),
      other_letter(tag, tag.size() - 1),
      flip_case(tag, point + 5),
      tag.substr(0, tag.size() - 1),
      tag + "a",
      tag + "@example.org",
      tag.substr(0, point) + "," + letters,
      tag.substr(0, point) + letters,
      " " + tag,
      "+" + tag,
      tag.substr(0, point) + "." + std::string(20, 'a'),
      tag.substr(0, point) + "." + letters.substr(0, 19) + '\xff',
  };
  for (const auto& t : bad) EXPECT_FALSE(good(t)) << t;
  EXPECT_TRUE(good(tag));
}

TEST(TagIsGood, BoundToSenderAndKey) {
  const std::string tag = tag_for(key, now + 60, sender);
  EXPECT_FALSE(good(tag, now, "List-bounce@example.org"));
  EXPECT_FALSE(good(tag, now, sender + " "));
  EXPECT_FALSE(good(tag, now, sender, key.substr(0, key.size() - 1)));
  EXPECT_FALSE(good(tag, now, sender, key + "\n"));

  const std::string for_nobody = tag_for(key, now + 60, "");
  EXPECT_TRUE(good(for_nobody, now, ""));
  EXPECT_FALSE(good(for_nobody, now, "x"));
  EXPECT_FALSE(good(tag, now, ""));
}

// The cookie is derived from the expiry written afresh, so spellings of the
// same number with leading zeros or a multiple of 2^64 added are the same tag.
TEST(TagIsGood, ReadsTheExpiryAsANumber) {
  const std::string tag = tag_for(key, now + 60, sender);
  EXPECT_TRUE(good("000" + tag));
  // now + 60 + 2^64, spelled out: the 2^64 wraps away.
  const std::string wrapped = "18446744075509551676" + tag.substr(tag.find('.'));
  EXPECT_TRUE(good(wrapped));
  // 10^40 modulo 2^64 is 13399722918938673152.
  const std::string far = tag_for(key, 13399722918938673152u, sender);
  EXPECT_TRUE(good("1" + std::string(40, '0') + far.substr(far.find('.'))));
}

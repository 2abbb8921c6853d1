#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "tests/programs.h"

namespace {

const char* const rejected = "tovrin-check: fatal: cookie doesn't check out\n";
const char* const usage_line = "tovrin-check: fatal: usage: tovrin-check secret cookie\n";

class Check : public ::testing::Test {
 protected:
  scratch_dir dir;
  std::string key = "0123456789abcdef0123456789abcdef";
  std::string secret = dir.file("secret", key);
  std::string sender = "someone@example.org";

  // A tag issued by the real creator.
  std::string issue(const std::string& lifetime, const std::string& for_sender,
                    const std::string& secret_path) {
    const auto r = run_create({lifetime, "", secret_path, ""}, sender_env(for_sender));
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  unsigned long long now() { return static_cast<unsigned long long>(time(nullptr)); }
};

}  // namespace

TEST_F(Check, AcceptsAFreshTagSilentlyAndAgain) {
  const std::string tag = issue("600", sender, secret);
  for (int round = 0; round < 2; ++round) {
    const auto r = run_check({secret, tag, "extra", "args"}, sender_env(sender));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Check, RejectsTagsThatAreNotForThisSenderSecretOrMoment) {
  const std::string tag = issue("600", sender, secret);
  const std::string with_newline = dir.file("secret-nl", key + "\n");
  const std::string other_key = dir.file("other", "another secret");
  const std::string point_and_letters = tag.substr(tag.find('.'));
  struct reject_case {
    std::string name;
    std::string secret, tag, sender;
  };
  const reject_case cases[] = {
      {"other sender", secret, tag, "Someone@example.org"},
      {"empty sender", secret, tag, ""},
      {"secret with a trailing newline", with_newline, tag, sender},
      {"other secret", other_key, tag, sender},
      {"expired a second ago", secret, tag_for(key, now() - 1, sender), sender},
      {"changed letter", secret, tag.substr(0, tag.size() - 1) + (tag.back() == 'a' ? "b" : "a"),
       sender},
      {"upper case", secret, tag.substr(0, tag.size() - 1) + char(tag.back() - 'a' + 'A'), sender},
      {"19 letters", secret, tag.substr(0, tag.size() - 1), sender},
      {"21 letters", secret, tag + "a", sender},
      {"suffix left on", secret, tag + "@example.org", sender},
      {"comma for point", secret, tag.substr(0, tag.find('.')) + "," + point_and_letters.substr(1),
       sender},
      {"empty", secret, "", sender},
      {"no digits", secret, point_and_letters, sender},
  };
  for (const auto& c : cases) {
    const auto r = run_check({c.secret, c.tag}, sender_env(c.sender));
    EXPECT_EQ(r.status, 100) << c.name;
    EXPECT_EQ(r.err, rejected) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

TEST_F(Check, EmptySenderMatchesOnlyTheEmptySender) {
  const std::string tag = issue("600", "", secret);
  EXPECT_EQ(run_check({secret, tag}, sender_env("")).status, 0);
  EXPECT_EQ(run_check({secret, tag}, sender_env("x")).status, 100);
  EXPECT_EQ(run_check({secret, tag}, {"PATH=/bin"}).status, 100);
}

TEST_F(Check, AcceptsOtherSpellingsOfTheSameExpiry) {
  const std::string tag = issue("600", sender, secret);
  const std::string digits = tag.substr(0, tag.find('.'));
  // The same number plus 2^64, written out by hand.
  const unsigned __int128 plus_wrap =
      static_cast<unsigned __int128>(std::stoull(digits)) + (static_cast<unsigned __int128>(1) << 64);
  std::string wrapped;
  for (unsigned __int128 v = plus_wrap; v != 0; v /= 10) wrapped.insert(wrapped.begin(), char('0' + v % 10));
  for (const std::string& spelling : {"00" + tag, wrapped + tag.substr(tag.find('.'))}) {
    const auto r = run_check({secret, spelling}, sender_env(sender));
    EXPECT_EQ(r.status, 0) << spelling << " " << r.err;
  }
}

TEST_F(Check, RefusalsComeInTheirOrder) {
  const std::string missing = dir.path + "/missing";
  const std::string tag = issue("600", sender, secret);
  expect_refusals(run_check, {
      {{"PATH=/bin"}, {}, 100, "tovrin-check: fatal: $SENDER is not set\n"},
      {{"PATH=/bin"}, {missing, tag}, 100, "tovrin-check: fatal: $SENDER is not set\n"},
      {sender_env(sender), {}, 100, usage_line},
      {sender_env(sender), {secret}, 100, usage_line},
      // The secret is loaded before the tag is looked for.
      {sender_env(sender), {missing}, 111,
       "tovrin-check: fatal: unable to read secret: file does not exist\n"},
      {sender_env(sender), {missing, tag}, 111,
       "tovrin-check: fatal: unable to read secret: file does not exist\n"},
      {sender_env(sender), {dir.path, tag}, 111,
       "tovrin-check: fatal: unable to read secret: is a directory\n"},
  });
}

// A tag made from the first 64 bytes of a longer secret checks against any
// file with the same first 64 bytes.
TEST_F(Check, OnlyTheFirst64SecretBytesCount) {
  const std::string head(64, 'h');
  const std::string one = dir.file("one", head + "tail one");
  const std::string two = dir.file("two", head + "another tail");
  const std::string tag = issue("600", sender, one);
  EXPECT_EQ(run_check({two, tag}, sender_env(sender)).status, 0);
}

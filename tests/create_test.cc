#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/programs.h"

namespace {

const char* const usage_line = "tovrin-create: fatal: usage: tovrin-create expire prefix secret suffix\n";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct parsed_output {
  std::string prefix, expiry, cookie, suffix;
};

// Splits output known to start with prefix and end with suffix.
parsed_output parse(const std::string& out, const std::string& prefix, const std::string& suffix) {
  parsed_output p;
  if (out.size() < prefix.size() + suffix.size() + 22) return p;
  p.prefix = out.substr(0, prefix.size());
  p.suffix = out.substr(out.size() - suffix.size());
  const std::string tag = out.substr(prefix.size(), out.size() - prefix.size() - suffix.size());
  const std::size_t point = tag.find('.');
  if (point == std::string::npos) return p;
  p.expiry = tag.substr(0, point);
  p.cookie = tag.substr(point + 1);
  return p;
}

class Create : public ::testing::Test {
 protected:
  scratch_dir dir;
  std::string secret = dir.file("secret", "correct horse battery staple\n");
};

}  // namespace

TEST_F(Create, PrintsPrefixTagSuffixWithTheEnginesCookie) {
  const unsigned long long before = static_cast<unsigned long long>(time(nullptr));
  const auto r = run_create({"3600", "reply-", secret, "@example.org"}, sender_env("a@b.example"));
  const unsigned long long after = static_cast<unsigned long long>(time(nullptr));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const parsed_output p = parse(r.out, "reply-", "@example.org");
  EXPECT_EQ(p.prefix, "reply-");
  EXPECT_EQ(p.suffix, "@example.org");
  ASSERT_FALSE(p.expiry.empty());
  EXPECT_NE(p.expiry[0], '0');
  const unsigned long long expiry = std::stoull(p.expiry);
  EXPECT_GE(expiry, before + 3600);
  EXPECT_LE(expiry, after + 3600);
  EXPECT_EQ(p.cookie, expected_cookie("correct horse battery staple\n", p.expiry, "a@b.example"));
}

TEST_F(Create, ExpireCountsOnlyLeadingDigits) {
  struct expire_case {
    const char* expire;
    unsigned long long lifetime;
  };
  const expire_case cases[] = {
      {"0", 0}, {"abc", 0}, {"-5", 0}, {"+5", 0}, {" 5", 0},
      {"", 0},  {"90x", 90}, {"007", 7}, {"18446744073709551616", 0},
      // Read modulo 2^64: about six billion years.
      {"99999999999999999999999", 200376420520689663},
  };
  for (const auto& c : cases) {
    const unsigned long long before = static_cast<unsigned long long>(time(nullptr));
    const auto r = run_create({c.expire, "", secret, ""}, sender_env("s"));
    const unsigned long long after = static_cast<unsigned long long>(time(nullptr));
    ASSERT_EQ(r.status, 0) << c.expire;
    const parsed_output p = parse(r.out, "", "");
    const unsigned long long expiry = std::stoull(p.expiry);
    EXPECT_GE(expiry, before + c.lifetime) << c.expire;
    EXPECT_LE(expiry, after + c.lifetime) << c.expire;
  }
}

// The sum wraps modulo 2^64: a lifetime of 2^64 - 1 seconds lands one second
// before the clock.
TEST_F(Create, ExpiryWrapsModulo2To64) {
  const unsigned long long before = static_cast<unsigned long long>(time(nullptr));
  const auto r = run_create({"18446744073709551615", "", secret, ""}, sender_env("s"));
  const unsigned long long after = static_cast<unsigned long long>(time(nullptr));
  ASSERT_EQ(r.status, 0);
  const unsigned long long expiry = std::stoull(parse(r.out, "", "").expiry);
  EXPECT_GE(expiry, before - 1);
  EXPECT_LE(expiry, after - 1);
}

TEST_F(Create, RefusalsComeInTheirOrder) {
  const std::string missing = dir.path + "/missing";
  expect_refusals(run_create, {
      {{"PATH=/bin"}, {}, 100, "tovrin-create: fatal: $SENDER is not set\n"},
      {{"PATH=/bin"}, {"1", "p", missing, "s"}, 100, "tovrin-create: fatal: $SENDER is not set\n"},
      {{"SENDERS=x", "SENDER"}, {"1", "p", secret, "s"}, 100,
       "tovrin-create: fatal: $SENDER is not set\n"},
      {sender_env("x"), {}, 100, usage_line},
      {sender_env("x"), {"1"}, 100, usage_line},
      {sender_env("x"), {"1", "p"}, 100, usage_line},
      {sender_env("x"), {"1", "p", secret}, 100, usage_line},
      // The secret is loaded before the suffix is looked for.
      {sender_env("x"), {"1", "p", missing}, 111,
       "tovrin-create: fatal: unable to read secret: file does not exist\n"},
      {sender_env("x"), {"1", "p", missing, "s"}, 111,
       "tovrin-create: fatal: unable to read secret: file does not exist\n"},
      {sender_env("x"), {"1", "p", dir.path, "s"}, 111,
       "tovrin-create: fatal: unable to read secret: is a directory\n"},
      {sender_env("x"), {"1", "p", secret + "/x", "s"}, 111,
       "tovrin-create: fatal: unable to read secret: not a directory\n"},
  });
}

// Root reads any file, so as root the program runs as nobody, from a copy
// that nobody may execute.
TEST_F(Create, UnreadableSecretIsAnIoFailure) {
  const std::string locked = dir.file("locked", "x", 0);
  chmod(dir.path.c_str(), 0755);
  std::string program = create_path;
  child_setup setup;
  if (geteuid() == 0) {
    program = dir.file("tovrin-create", read_file(create_path), 0755);
    setup.uid = 65534;
  }
  const auto r = run_program(program, {"tovrin-create", "1", "p", locked, "s"}, sender_env("x"),
                             setup);
  EXPECT_EQ(r.status, 111);
  EXPECT_EQ(r.err, "tovrin-create: fatal: unable to read secret: access denied\n");
}

TEST_F(Create, UnwritableOutputIsAnIoFailure) {
  const auto full = run_create({"1", "p", secret, "s"}, sender_env("x"), stdout_to("/dev/full"));
  EXPECT_EQ(full.status, 111);
  EXPECT_EQ(full.err, "tovrin-create: fatal: unable to write output: out of disk space\n");

  const auto closed = run_create({"1", "p", secret, "s"}, sender_env("x"), stdout_closed());
  EXPECT_EQ(closed.status, 111);
  EXPECT_EQ(closed.err, "tovrin-create: fatal: unable to write output: file descriptor not open\n");
}

// SENDER is the first entry of exactly that name; an empty value is a sender.
TEST_F(Create, CookieBindsTheFirstSenderEntry) {
  struct sender_case {
    std::vector<std::string> env;
    std::string sender;
  };
  const sender_case cases[] = {
      {{"SENDER=first", "SENDER=second"}, "first"},
      {{"SENDERX=no", "SENDER", "SENDER=yes"}, "yes"},
      {{"SENDER="}, ""},
      {{"SENDER=a=b"}, "a=b"},
  };
  for (const auto& c : cases) {
    const auto r = run_create({"100", "", secret, ""}, c.env);
    ASSERT_EQ(r.status, 0) << r.err;
    const parsed_output p = parse(r.out, "", "");
    EXPECT_EQ(p.cookie, expected_cookie("correct horse battery staple\n", p.expiry, c.sender))
        << c.sender;
  }
}

// The key is the raw first 64 bytes of the file: a trailing newline counts,
// bytes past 64 do not count.
TEST_F(Create, KeyIsTheRawFirst64Bytes) {
  const std::string long_key(100, 'k');
  struct key_case {
    std::string file;
    std::string key;
  };
  const key_case cases[] = {
      {"abc", "abc"},
      {"abc\n", "abc\n"},
      {"x", "x"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {long_key, long_key.substr(0, 64)},
  };
  for (const auto& c : cases) {
    const std::string path = dir.file("key", c.file);
    const auto r = run_create({"100", "", path, ""}, sender_env("s"));
    ASSERT_EQ(r.status, 0) << r.err;
    const parsed_output p = parse(r.out, "", "");
    EXPECT_EQ(p.cookie, expected_cookie(c.key, p.expiry, "s")) << c.file.size();
  }
}

TEST_F(Create, CopiesPrefixAndSuffixUnchangedAtAnySize) {
  struct text_case {
    std::string prefix, suffix;
  };
  const text_case cases[] = {
      {"", ""},
      {"\n", "\n\t\xff"},
      {std::string(8192, 'p'), std::string(8192, 's')},
      {std::string(100000, 'p'), std::string(120000, 's')},
  };
  for (const auto& c : cases) {
    const auto r = run_create({"100", c.prefix, secret, c.suffix, "ignored", "too"}, sender_env("s"));
    ASSERT_EQ(r.status, 0) << r.err;
    const parsed_output p = parse(r.out, c.prefix, c.suffix);
    EXPECT_EQ(p.prefix, c.prefix);
    EXPECT_EQ(p.suffix, c.suffix);
    EXPECT_EQ(r.out.size(), c.prefix.size() + c.suffix.size() + p.expiry.size() + 21);
    EXPECT_EQ(p.cookie, expected_cookie("correct horse battery staple\n", p.expiry, "s"));
  }
}

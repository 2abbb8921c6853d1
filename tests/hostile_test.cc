// Both programs under conditions an attacker or an unlucky administrator
// brings about: an empty key, a reader that has gone, a file-size limit, a
// clock before 1970, a secret rewritten in place while tags are checked.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "tests/programs.h"

namespace {

const std::string sender = "alice@example.org";

unsigned long long now() { return static_cast<unsigned long long>(time(nullptr)); }

class Hostile : public ::testing::Test {
 protected:
  scratch_dir dir;
  std::string secret = dir.file("secret", std::string(64, 's'));

  std::string issue(const std::string& key_path) {
    const auto r = run_create({"600", "", key_path, ""}, sender_env(sender));
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
};

}  // namespace

// Anyone can compute cookies for the empty key, so neither program uses it:
// an empty key is refused where an unreadable secret is, with 111, so that
// mail waits for the administrator instead of being let through.
TEST_F(Hostile, EmptyKeyIsRefusedByBothPrograms) {
  const std::string fifo = dir.path + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string sources[] = {dir.file("empty", ""), "/dev/null", fifo};
  const std::string forged = tag_for("", now() + 600, sender);
  for (const auto& source : sources) {
    expect_refusals(run_create, {
        {sender_env(sender), {"600", "p", source, "s"}, 111,
         "tovrin-create: fatal: secret is empty\n"},
        // The secret is judged before the missing suffix is noticed.
        {sender_env(sender), {"600", "p", source}, 111,
         "tovrin-create: fatal: secret is empty\n"},
    });
    expect_refusals(run_check, {
        {sender_env(sender), {source, forged}, 111, "tovrin-check: fatal: secret is empty\n"},
        {sender_env(sender), {source}, 111, "tovrin-check: fatal: secret is empty\n"},
    });
  }
  // One byte is a key like any other.
  const std::string one = dir.file("one", "x");
  EXPECT_EQ(run_check({one, issue(one)}, sender_env(sender)).status, 0);
}

// A write that cannot be done is reported with the intended status; it never
// kills the program, whatever the reader or the limits.
TEST_F(Hostile, WritesThatCannotBeDoneAreErrorsNotSignalDeaths) {
  const std::string tag = issue(secret);
  child_setup no_stdout_reader;
  no_stdout_reader.stdout_no_reader = true;
  child_setup no_stderr_reader;
  no_stderr_reader.stderr_no_reader = true;

  auto r = run_create({"600", "reply-", secret, "@example.org"}, sender_env(sender),
                      no_stdout_reader);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, 111);
  EXPECT_EQ(r.err, "tovrin-create: fatal: unable to write output: broken pipe\n");

  struct report_case {
    child_result (*run)(const std::vector<std::string>&, const std::vector<std::string>&,
                        const child_setup&);
    std::vector<std::string> env, args;
    int status;
  };
  const report_case reports[] = {
      {run_check, sender_env(sender), {secret, tag + "x"}, 100},
      {run_check, sender_env(sender), {dir.path + "/missing", tag}, 111},
      {run_check, {"PATH=/bin"}, {secret, tag}, 100},
      {run_create, sender_env(sender), {"600", "p", dir.path + "/missing", "s"}, 111},
      {run_create, sender_env(sender), {"600"}, 100},
  };
  for (const auto& c : reports) {
    r = c.run(c.args, c.env, no_stderr_reader);
    EXPECT_EQ(r.signal, 0) << c.args[0];
    EXPECT_EQ(r.status, c.status) << c.args[0];
  }

  // The limit holds for the file that captures standard error too, so it
  // leaves room for the report but not for the 100-byte prefix.
  const std::string out = dir.file("out", "");
  child_setup limited = stdout_to(out);
  limited.file_size_limit = 64;
  r = run_create({"600", std::string(100, 'p'), secret, ""}, sender_env(sender), limited);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, 111);
  EXPECT_EQ(r.err, "tovrin-create: fatal: unable to write output: file too big\n");
  struct stat written = {};
  stat(out.c_str(), &written);
  EXPECT_EQ(written.st_size, 64);
}

// A clock before 1970 would make tags that never expire (the negative clock
// read as unsigned) and refuse every good tag: both programs call it a
// temporary failure instead. The twins read their clock from
// TOVRIN_GIVEN_CLOCK.
TEST_F(Hostile, ClockBefore1970IsATemporaryFailure) {
  const std::string create = create_path + "-given-clock";
  const std::string check = check_path + "-given-clock";
  const std::string tag = issue(secret);
  for (const std::string clock : {"-100", "-1", "-9223372036854775807"}) {
    auto env = sender_env(sender);
    env.push_back("TOVRIN_GIVEN_CLOCK=" + clock);
    auto r = run_named(create, "tovrin-create", {"10", "", secret, ""}, env, {});
    EXPECT_EQ(r.status, 111) << clock << " printed " << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tovrin-create: fatal: clock is before 1970\n");
    r = run_named(check, "tovrin-check", {secret, tag}, env, {});
    EXPECT_EQ(r.status, 111) << clock;
    EXPECT_EQ(r.err, "tovrin-check: fatal: clock is before 1970\n");
  }
  // The epoch itself is a clock like any other.
  auto env = sender_env(sender);
  env.push_back("TOVRIN_GIVEN_CLOCK=0");
  const auto r = run_named(create, "tovrin-create", {"10", "", secret, ""}, env, {});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 3), "10.");
  EXPECT_EQ(run_named(check, "tovrin-check", {secret, r.out}, env, {}).status, 0);
}

// One thread rewrites the secret in place, as `head -c 64 /dev/urandom >
// secret` does, while checks of a tag forged with the empty key run beside
// it. Each check sees the old key, the new one, or the empty file between
// truncation and write; none may accept the forgery.
TEST_F(Hostile, SecretRewrittenInPlaceNeverAcceptsTheEmptyKey) {
  const std::string forged = tag_for("", now() + 600, sender);
  std::atomic<bool> stop{false};
  std::atomic<long> rewrites{0};
  std::thread writer([&] {
    char bytes[64];
    for (unsigned char n = 0; !stop; ++n) {
      for (char& b : bytes) b = static_cast<char>(n++);
      const int fd = open(secret.c_str(), O_WRONLY | O_TRUNC);
      if (fd < 0) continue;
      if (write(fd, bytes, sizeof bytes) != sizeof bytes) ADD_FAILURE() << "short write";
      close(fd);
      ++rewrites;
    }
  });
  int accepted = 0, empty = 0, refused = 0, other = 0;
  for (int i = 0; i < 1500; ++i) {
    const auto r = run_check({secret, forged}, sender_env(sender));
    if (r.status == 0) ++accepted;
    else if (r.status == 111 && r.err == "tovrin-check: fatal: secret is empty\n") ++empty;
    else if (r.status == 100) ++refused;
    else ++other;
  }
  stop = true;
  writer.join();
  std::printf("rewrites %ld; checks: %d accepted, %d saw the empty file, %d refused, %d other\n",
              rewrites.load(), accepted, empty, refused, other);
  EXPECT_EQ(accepted, 0);
  EXPECT_EQ(other, 0);
  EXPECT_GT(rewrites.load(), 0);
}

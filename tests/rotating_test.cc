// tovrin-check-rotating: the secret first, secret.old only for a tag the
// secret refuses, and neither trusted unless it is a regular file that
// neither group nor others can write, secret.old with the secret's owner.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "tests/programs.h"

namespace {

const std::string sender = "boss@example.org";
const std::string new_key(64, 'n'), old_key(64, 'o'), attacker_key(64, 'a');

std::string line(const std::string& message) {
  return message.empty() ? "" : "tovrin-check-rotating: fatal: " + message + "\n";
}

unsigned long long now() { return static_cast<unsigned long long>(time(nullptr)); }

// A directory with the secret in it. As root, the files belong to nobody
// and the checker runs as nobody, so that an unreadable file is one the
// checker cannot read.
struct layout {
  scratch_dir dir;
  int runner = geteuid() == 0 ? 65534 : -1;
  std::string secret = put("secret", new_key);
  std::string old = dir.path + "/secret.old";

  layout() { give(dir.path); }

  void give(const std::string& path) const {
    if (runner >= 0 && lchown(path.c_str(), runner, runner) != 0) ADD_FAILURE() << path;
  }
  std::string put(const std::string& name, const std::string& bytes, int mode = 0600) const {
    const std::string path = dir.file(name, bytes, mode);
    give(path);
    return path;
  }
  child_result judge(const std::string& tag,
                     const std::vector<std::string>& env = sender_env(sender)) const {
    child_setup as_runner;
    as_runner.uid = runner;
    return run_rotating({secret, tag}, env, as_runner);
  }
};

struct trust_case {
  const char* name;
  std::function<void(layout&)> arrange;
  const std::string* key;  // the key the presented tag was made with
  int status;
  std::string message;
  bool needs_root = false;
};

void keep_old(layout& l, int mode = 0600) { l.put("secret.old", old_key, mode); }

}  // namespace

TEST(Rotating, TrustsOnlyFilesNobodyElseCanChange) {
  const std::vector<trust_case> cases = {
      {"no secret.old: the secret decides", [](layout&) {}, &old_key, 100,
       "cookie doesn't check out"},
      {"no secret.old, a tag of the secret", [](layout&) {}, &new_key, 0, ""},
      {"secret.old accepts its own tag", [](layout& l) { keep_old(l); }, &old_key, 0, ""},
      {"secret.old refuses a forgery", [](layout& l) { keep_old(l); }, &attacker_key, 100,
       "cookie doesn't check out"},
      {"secret.old writable by group", [](layout& l) { keep_old(l, 0620); }, &old_key, 111,
       "secret.old is writable by group or others"},
      {"secret.old writable by others", [](layout& l) { keep_old(l, 0602); }, &old_key, 111,
       "secret.old is writable by group or others"},
      {"a tag the secret accepts ignores secret.old", [](layout& l) { keep_old(l, 0666); },
       &new_key, 0, ""},
      {"secret.old a directory",
       [](layout& l) {
         mkdir(l.old.c_str(), 0700);
         l.give(l.old);
       },
       &attacker_key, 111, "secret.old is not a regular file"},
      {"secret.old a FIFO",
       [](layout& l) {
         mkfifo(l.old.c_str(), 0600);
         l.give(l.old);
       },
       &attacker_key, 111, "secret.old is not a regular file"},
      {"secret.old a symbolic link to a good key",
       [](layout& l) {
         const std::string target = l.put("elsewhere", old_key);
         if (symlink(target.c_str(), l.old.c_str()) != 0) ADD_FAILURE();
         l.give(l.old);
       },
       &old_key, 111, "secret.old is not a regular file"},
      {"secret.old empty", [](layout& l) { l.put("secret.old", ""); }, &old_key, 111,
       "secret.old is empty"},
      {"secret.old unreadable", [](layout& l) { keep_old(l, 0); }, &old_key, 111,
       "unable to read secret.old: access denied"},
      {"secret.old of another owner",
       [](layout& l) {
         // Readable by the checker, so that only the owner is wrong.
         const std::string path = l.dir.file("secret.old", old_key, 0644);
         if (chown(path.c_str(), 0, 0) != 0) ADD_FAILURE();
       },
       &old_key, 111, "secret.old has another owner than the secret", true},
      {"secret writable by group", [](layout& l) { chmod(l.secret.c_str(), 0660); }, &new_key,
       111, "secret is writable by group or others"},
      {"secret writable by others", [](layout& l) { chmod(l.secret.c_str(), 0606); }, &new_key,
       111, "secret is writable by group or others"},
      {"secret a directory",
       [](layout& l) {
         unlink(l.secret.c_str());
         mkdir(l.secret.c_str(), 0700);
         l.give(l.secret);
       },
       &new_key, 111, "secret is not a regular file"},
      {"secret missing", [](layout& l) { unlink(l.secret.c_str()); }, &new_key, 111,
       "unable to read secret: file does not exist"},
      {"secret empty", [](layout& l) { l.put("secret", ""); }, &new_key, 111, "secret is empty"},
      {"secret unreadable", [](layout& l) { chmod(l.secret.c_str(), 0); }, &new_key, 111,
       "unable to read secret: access denied"},
      // The secret may be a link, as for tovrin-check.
      {"secret a symbolic link to a good key",
       [](layout& l) {
         const std::string target = l.put("real", new_key);
         unlink(l.secret.c_str());
         if (symlink(target.c_str(), l.secret.c_str()) != 0) ADD_FAILURE();
         l.give(l.secret);
       },
       &new_key, 0, ""},
  };
  for (const auto& c : cases) {
    layout l;
    if (c.needs_root && l.runner < 0) {
      std::printf("skipped, needs root: %s\n", c.name);
      continue;
    }
    c.arrange(l);
    const auto r = l.judge(tag_for(*c.key, now() + 600, sender));
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.err, line(c.message)) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

// In a directory others can write to, sticky as /tmp is, another user
// plants secret.old with a key of their own and forges a tag with it.
TEST(Rotating, RefusesAKeyPlantedByAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to plant a file as another user";
  scratch_dir dir;
  chmod(dir.path.c_str(), 01777);
  const std::string secret = dir.file("secret", new_key);
  const std::string planted = dir.path + "/secret.old";
  const auto r = run_in_child([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    _exit(dir.file("secret.old", attacker_key).empty() ? 1 : 0);
  });
  ASSERT_EQ(r.status, 0);
  struct stat st = {};
  ASSERT_EQ(stat(planted.c_str(), &st), 0);
  ASSERT_EQ(st.st_uid, 65534u);

  const std::string forged = tag_for(attacker_key, now() + 600, sender);
  EXPECT_EQ(run_check({secret, forged}, sender_env(sender)).status, 100);
  const auto judged = run_rotating({secret, forged}, sender_env(sender));
  EXPECT_EQ(judged.status, 111);
  EXPECT_EQ(judged.err, line("secret.old has another owner than the secret"));
  // The secret's own tags are not held up by it.
  EXPECT_EQ(run_rotating({secret, tag_for(new_key, now() + 600, sender)}, sender_env(sender)).status, 0);
}

// It runs no other program, so a tovrin-check found first on PATH changes
// nothing; and it reads SENDER as tovrin-check does, the first entry.
TEST(Rotating, RunsNothingElseAndTakesTheFirstSender) {
  scratch_dir dir;
  const std::string secret = dir.file("secret", new_key);
  dir.file("secret.old", old_key);
  const std::string planted = dir.file("tovrin-check", "#!/bin/sh\nexit 0\n", 0755);
  const std::vector<std::string> planted_path = {"PATH=" + dir.path + ":/usr/bin:/bin",
                                                 "SENDER=" + sender};
  const std::string forged = tag_for(attacker_key, now() + 600, sender);
  EXPECT_EQ(run_rotating({secret, forged}, planted_path).status, 100);
  EXPECT_EQ(run_rotating({secret, tag_for(old_key, now() + 600, sender)}, planted_path).status, 0);

  const std::vector<std::string> two_senders = {"SENDER=alice@example.org",
                                                "SENDER=mallory@example.org"};
  for (const auto& key : {new_key, old_key}) {
    EXPECT_EQ(run_rotating({secret, tag_for(key, now() + 600, "alice@example.org")}, two_senders)
                  .status,
              0);
    EXPECT_EQ(run_check({secret, tag_for(new_key, now() + 600, "alice@example.org")}, two_senders)
                  .status,
              0);
    EXPECT_EQ(
        run_rotating({secret, tag_for(key, now() + 600, "mallory@example.org")}, two_senders)
            .status,
        100);
  }
}

TEST(Rotating, RefusesCallsAsTovrinCheckDoes) {
  scratch_dir dir;
  const std::string secret = dir.file("secret", new_key);
  const std::string usage = line("usage: tovrin-check-rotating secret cookie");
  expect_refusals(run_rotating, {
      {{"PATH=/bin"}, {secret, tag_for(new_key, now() + 600, sender)}, 100,
       line("$SENDER is not set")},
      {sender_env(sender), {}, 100, usage},
      {sender_env(sender), {secret}, 100, usage},
      // The secret is loaded before the tag is looked for.
      {sender_env(sender), {dir.path + "/missing"}, 111,
       line("unable to read secret: file does not exist")},
      {sender_env(sender), {secret, tag_for(new_key, now() - 1, sender)}, 100,
       line("cookie doesn't check out")},
  });
}

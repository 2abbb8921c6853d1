// tovrin-policy as Postfix's spawn(8) runs it: one socket on standard
// input, output and error, many requests per connection.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "tests/policy_peer.h"
#include "tests/programs.h"

namespace {

const std::string policy_path = TOVRIN_POLICY_PATH;
const std::string dunno = "action=DUNNO\n\n";
const std::string refused = "action=550 5.7.1 reply tag refused\n\n";
const std::string deferred = "action=451 4.3.0 reply tag cannot be checked now\n\n";
const std::string key(64, 'k'), old_key(64, 'o'), newer_key(64, 'n');

// The pid in each "[1234]" of logged lines, as "[PID]".
std::string without_pids(std::string text) {
  for (std::size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    const std::size_t close = text.find_first_not_of("0123456789", open + 1);
    if (close != std::string::npos && close > open + 1 && text[close] == ']')
      text.replace(open + 1, close - open - 1, "PID");
  }
  return text;
}

unsigned long long now() { return static_cast<unsigned long long>(time(nullptr)); }

std::string request(const std::string& recipient, const std::string& sender) {
  return "request=smtpd_access_policy\nprotocol_state=RCPT\nprotocol_name=ESMTP\n"
         "client_address=192.0.2.7\nclient_name=unknown\nhelo_name=mx.example.net\n"
         "sender=" + sender + "\nrecipient=" + recipient + "\nrecipient_count=0\nsize=0\n\n";
}

std::string tagged(const std::string& k, const std::string& sender, long lifetime = 600) {
  return "reply-" + tag_for(k, now() + static_cast<unsigned long long>(lifetime), sender) +
         "@example.org";
}

policy_peer start(const std::string& secret) {
  return policy_start(policy_path, {"tovrin-policy", secret, "reply-", "bounce+"}, {});
}

}  // namespace

// Every reply is exact, and nothing else reaches the socket: a stray line
// from the service would shift every reply after it.
TEST(PolicyService, AnswersEachRequestOnOneConnection) {
  scratch_dir dir;
  const std::string secret = dir.file("secret", key);
  dir.file("secret.old", old_key);
  const std::string alice = "alice@example.net";
  struct exchange {
    std::string name, recipient, sender, reply;
  };
  const exchange exchanges[] = {
      {"good tag", tagged(key, alice), alice, dunno},
      {"another sender", tagged(key, alice), "mallory@example.net", refused},
      {"tag of secret.old", tagged(old_key, alice), alice, dunno},
      {"forged", tagged(newer_key, alice), alice, refused},
      {"expired", tagged(key, alice, -1), alice, refused},
      {"prefix in upper case", "REPLY-" + tagged(key, alice).substr(6), alice, dunno},
      {"second prefix", "bounce+" + tagged(key, alice).substr(6), alice, dunno},
      {"null sender, its own tag", tagged(key, ""), "", dunno},
      {"null sender, someone else's tag", tagged(key, alice), "", refused},
      {"sender Postfix unquoted", tagged(key, "john doe@example.net"), "john doe@example.net",
       dunno},
      {"garbage of 300 bytes", "reply-" + std::string(300, 'g') + "@example.org", alice, refused},
      {"untagged", "alice@example.org", alice, dunno},
  };
  policy_peer peer = start(secret);
  for (const auto& e : exchanges)
    EXPECT_EQ(policy_ask(peer, request(e.recipient, e.sender)), e.reply) << e.name;
  std::string rest;
  EXPECT_EQ(policy_finish(peer, &rest), 0);
  EXPECT_EQ(rest, "");
}

// The secret is read for every request: a missing one defers at once, a
// replacement counts from the next request on.
TEST(PolicyService, ReadsTheSecretAfreshForEveryRequest) {
  scratch_dir dir;
  const std::string secret = dir.file("secret", key);
  const std::string alice = "alice@example.net";
  const std::string first_tag = tagged(key, alice);
  policy_peer peer = start(secret);
  EXPECT_EQ(policy_ask(peer, request(first_tag, alice)), dunno);
  ASSERT_EQ(rename(secret.c_str(), (dir.path + "/away").c_str()), 0);
  EXPECT_EQ(policy_ask(peer, request(first_tag, alice)), deferred);
  // Untagged mail is not held up by it.
  EXPECT_EQ(policy_ask(peer, request("alice@example.org", alice)), dunno);
  ASSERT_EQ(rename((dir.path + "/away").c_str(), secret.c_str()), 0);
  EXPECT_EQ(policy_ask(peer, request(first_tag, alice)), dunno);

  dir.file("secret.old", key);
  dir.file("secret", newer_key);
  EXPECT_EQ(policy_ask(peer, request(first_tag, alice)), dunno);
  EXPECT_EQ(policy_ask(peer, request(tagged(newer_key, alice), alice)), dunno);
  dir.file("secret.old", newer_key);
  dir.file("secret", old_key);
  EXPECT_EQ(policy_ask(peer, request(first_tag, alice)), refused);
  chmod(secret.c_str(), 0660);
  EXPECT_EQ(policy_ask(peer, request(tagged(old_key, alice), alice)), deferred);
  EXPECT_EQ(policy_finish(peer), 0);
}

TEST(PolicyService, EndOfInputInsideARequestEndsItWithoutAReply) {
  scratch_dir dir;
  const std::string secret = dir.file("secret", key);
  policy_peer peer = start(secret);
  const std::string whole = request(tagged(newer_key, "a@x"), "a@x");
  policy_send(peer, whole.substr(0, whole.size() - 1));
  std::string rest;
  EXPECT_EQ(policy_finish(peer, &rest), 0);
  EXPECT_EQ(rest, "");
}

// A usage error ends the service before the first reply; Postfix then
// answers its client with a temporary error.
TEST(PolicyService, UsageErrorsEndItWithStatus100AndNothingOnTheSocket) {
  const std::vector<std::vector<std::string>> calls = {
      {"tovrin-policy"}, {"tovrin-policy", "/etc/tovrin/secret"},
      {"tovrin-policy", "/etc/tovrin/secret", ""},
      {"tovrin-policy", "/etc/tovrin/secret", "reply-", ""}};
  for (const auto& argv : calls) {
    policy_peer peer = policy_start(policy_path, argv, {});
    policy_send(peer, request("reply-1.abc@x", "a@x"));
    std::string rest;
    EXPECT_EQ(policy_finish(peer, &rest), 100) << argv.size();
    EXPECT_EQ(rest, "");
  }
}

// Why it refused or deferred goes to /dev/log, facility mail. The test
// binds its own /dev/log in a private mount namespace, over a fresh tmpfs.
TEST(PolicyService, LogsWhyToDevLog) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, for a mount namespace of its own";
  scratch_dir dir;
  const std::string secret = dir.file("secret", key);
  const std::string alice = "alice@example.net";
  const std::string forged = tagged(newer_key, alice);
  const std::string good = tagged(key, alice);
  const auto r = run_in_child([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/dev", "tmpfs", 0, "size=64k") != 0)
      _exit(2);
    const int logger = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/dev/log");
    if (bind(logger, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(3);

    policy_peer peer = start(secret);
    std::string replies = policy_ask(peer, request(forged, "mallory\x01@example.net"));
    chmod(secret.c_str(), 0606);
    replies += policy_ask(peer, request(good, alice));
    replies += policy_ask(peer, request("alice@example.org", alice));
    policy_finish(peer);
    policy_peer wrong = policy_start(policy_path, {"tovrin-policy", secret}, {});
    policy_finish(wrong);
    std::printf("%s", replies.c_str());

    pollfd ready = {logger, POLLIN, 0};
    char line[2048];
    while (poll(&ready, 1, 500) == 1) {
      const ssize_t n = recv(logger, line, sizeof line, 0);
      if (n <= 0) break;
      std::printf("%.*s\n", static_cast<int>(n), line);
    }
    std::fflush(stdout);
  });
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string logged = without_pids(r.out);
  EXPECT_EQ(logged, refused + deferred + dunno + "<21>tovrin-policy[PID]: refused <" + forged +
                        "> from <mallory?@example.net>: cookie doesn't check out\n" +
                        "<19>tovrin-policy[PID]: deferred <" + good + "> from <" + alice +
                        ">: secret is writable by group or others\n" +
                        "<19>tovrin-policy[PID]: usage: tovrin-policy secret prefix...\n");
}

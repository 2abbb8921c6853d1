// The cost of one request to tovrin-policy over a socket pair, one request
// at a time as Postfix sends them, beside a floor measured in the same run:
// a responder that reads the request, opens, fstats and reads the secret,
// and answers DUNNO. Both stay connected for the whole run; batches of
// requests alternate between them, and the medians are compared.
//
//   policy_bench POLICY FLOOR [N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <unistd.h>

#include "cookie/cookie.h"
#include "tests/policy_peer.h"

namespace {

struct contender {
  std::string name;
  policy_peer peer;
  std::string request, reply;
  std::vector<double> us;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::string request_for(const std::string& recipient, const std::string& sender) {
  return "request=smtpd_access_policy\nprotocol_state=RCPT\nprotocol_name=ESMTP\n"
         "client_address=192.0.2.7\nclient_name=unknown\nhelo_name=mx.example.net\n"
         "queue_id=\nsender=" + sender + "\nrecipient=" + recipient +
         "\nrecipient_count=0\nsize=0\n\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: policy_bench POLICY FLOOR [N]\n");
    return 2;
  }
  const long n = argc > 3 ? std::atol(argv[3]) : 20000;
  const std::string dir = "/tmp/tovrin-policy-bench-" + std::to_string(getpid());
  const std::string secret = dir + "/secret";
  std::system(("mkdir -p " + dir + " && head -c 64 /dev/urandom > " + secret +
               " && chmod 600 " + secret).c_str());
  std::FILE* f = std::fopen(secret.c_str(), "rb");
  char key[64];
  const auto key_len = static_cast<std::int32_t>(std::fread(key, 1, sizeof key, f));
  std::fclose(f);

  const std::string sender = "alice@example.org";
  const std::string expiry = std::to_string(time(nullptr) + 86400);
  char cookie[COOKIE_LEN];
  cookie_make(cookie, key, key_len, expiry.c_str(), sender.c_str(), "");
  const std::string good = request_for(
      "reply-" + expiry + "." + std::string(cookie, COOKIE_LEN) + "@example.org", sender);

  std::vector<contender> all = {
      {"floor: read, open+fstat+read secret, DUNNO",
       policy_start(argv[2], {"policy_floor", secret}, {}), good, "action=DUNNO\n\n", {}},
      {"tovrin-policy, good tag",
       policy_start(argv[1], {"tovrin-policy", secret, "reply-"}, {}), good, "action=DUNNO\n\n",
       {}},
  };
  for (auto& c : all) c.us.reserve(static_cast<std::size_t>(n));

  const long rounds = 40;
  for (long round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < all.size(); ++k) {
      contender& c = all[(round % 2 == 0) ? k : all.size() - 1 - k];
      for (long i = 0; i < n / rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::string reply = policy_ask(c.peer, c.request);
        c.us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        if (reply != c.reply) {
          std::fprintf(stderr, "policy_bench: %s answered %s\n", c.name.c_str(), reply.c_str());
          return 1;
        }
      }
    }
  }
  for (auto& c : all) policy_finish(c.peer);
  std::system(("rm -rf " + dir).c_str());

  const double floor_us = median(all[0].us);
  std::printf("%-44s %8s %12s %10s\n", "responder", "requests", "median us", "vs floor");
  for (const auto& c : all)
    std::printf("%-44s %8zu %12.2f %10.3f\n", c.name.c_str(), c.us.size(), median(c.us),
                median(c.us) / floor_us);
  return 0;
}

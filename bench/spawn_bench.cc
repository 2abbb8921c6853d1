// Process-level benchmark: spawns each program N times, standard output to
// /dev/null, in alternating rounds beside two static do-nothing programs, one
// linked with glibc and one with musl, and prints the wall time per run and
// its ratio to each floor.
//
//   spawn_bench DO_NOTHING_GLIBC DO_NOTHING_MUSL CREATE CHECK [N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct contender {
  std::string name;
  std::vector<std::string> argv;
  std::string stdin_path = "/dev/null";
  int expected_status = 0;
  double seconds = 0;
  long runs = 0;
};

// One spawn and wait; the exit status, or -1.
int run_once(const contender& c) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, c.stdin_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : c.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    int wait_status;
    waitpid(pid, &wait_status, 0);
    status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

std::string capture(const std::vector<std::string>& argv) {
  std::string command;
  for (const auto& a : argv) command += "'" + a + "' ";
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  char buf[256];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

bool have_openssl() { return std::system("openssl version >/dev/null 2>&1") == 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: spawn_bench DO_NOTHING_GLIBC DO_NOTHING_MUSL CREATE CHECK [N]\n");
    return 2;
  }
  const char* create = argv[3];
  const char* check = argv[4];
  const long n = argc > 5 ? std::atol(argv[5]) : 2000;
  const std::string dir = "/tmp/tovrin-bench-" + std::to_string(getpid());
  const std::string secret = dir + "/secret", text = dir + "/text";
  std::system(("mkdir -p " + dir + " && head -c 64 /dev/urandom > " + secret).c_str());
  setenv("SENDER", "alice@example.org", 1);
  const std::string tag = capture({create, "86400", "", secret, ""});
  if (tag.size() < 22) {
    std::fprintf(stderr, "spawn_bench: tovrin-create gave no tag\n");
    return 1;
  }
  // The same text an administrator would hash by hand: expiry and sender.
  std::system(("printf '%s' '" + tag.substr(0, tag.find('.')) + " alice@example.org' > " + text)
                  .c_str());

  std::vector<contender> all = {
      {"do-nothing, glibc static", {argv[1]}},
      {"do-nothing, musl static PIE", {argv[2]}},
      {"tovrin-create", {create, "86400", "reply-", secret, "@example.org"}},
      {"tovrin-check", {check, secret, tag}},
  };
  const std::size_t programs = all.size();
  if (have_openssl())
    all.push_back({"openssl dgst -sha256 -hmac",
                   {"/usr/bin/openssl", "dgst", "-sha256", "-hmac", "0123456789abcdef"},
                   text});

  // Alternating rounds spread drift of the machine over all contenders.
  const long rounds = 20;
  for (long round = 0; round < rounds; ++round) {
    const long per_round = n / rounds + (round < n % rounds ? 1 : 0);
    for (std::size_t k = 0; k < all.size(); ++k) {
      contender& c = all[(round % 2 == 0) ? k : all.size() - 1 - k];
      const auto start = std::chrono::steady_clock::now();
      for (long i = 0; i < per_round; ++i)
        if (run_once(c) != c.expected_status) {
          std::fprintf(stderr, "spawn_bench: %s failed\n", c.name.c_str());
          return 1;
        }
      c.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      c.runs += per_round;
    }
  }
  std::system(("rm -rf " + dir).c_str());

  const auto us_per_run = [](const contender& c) {
    return c.seconds / static_cast<double>(c.runs) * 1e6;
  };
  const double glibc_us = us_per_run(all[0]), musl_us = us_per_run(all[1]);
  std::printf("%-28s %6s %10s %14s %14s\n", "program", "runs", "us/run", "vs glibc floor",
              "vs musl floor");
  for (const auto& c : all) {
    const double us = us_per_run(c);
    std::printf("%-28s %6ld %10.1f %14.3f %14.3f\n", c.name.c_str(), c.runs, us, us / glibc_us,
                us / musl_us);
  }
  if (all.size() > programs) {
    const double openssl_us = us_per_run(all[programs]);
    for (std::size_t k = 2; k < programs; ++k)
      std::printf("%s takes %.3f of the time of one openssl HMAC run\n", all[k].name.c_str(),
                  us_per_run(all[k]) / openssl_us);
  }
  return 0;
}

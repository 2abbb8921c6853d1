#include "tests/policy_peer.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

policy_peer policy_start(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& env) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    for (int fd = 0; fd < 3; ++fd) dup2(ends[1], fd);
    for (int sig = 1; sig < NSIG; ++sig) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(path.c_str(), args.data(), envp.data());
    _exit(127);
  }
  close(ends[1]);
  return {ends[0], pid};
}

void policy_send(policy_peer& peer, const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = send(peer.fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return;
    at += static_cast<std::size_t>(n);
  }
}

std::string policy_ask(policy_peer& peer, const std::string& request) {
  policy_send(peer, request);
  // One request at a time, so nothing after this reply can arrive yet.
  std::string reply;
  char buf[512];
  while (reply.size() < 2 || reply.compare(reply.size() - 2, 2, "\n\n") != 0) {
    const ssize_t n = read(peer.fd, buf, sizeof buf);
    if (n <= 0) break;
    reply.append(buf, static_cast<std::size_t>(n));
  }
  return reply;
}

int policy_finish(policy_peer& peer, std::string* rest) {
  shutdown(peer.fd, SHUT_WR);
  std::string left;
  char buf[4096];
  for (ssize_t n; (n = read(peer.fd, buf, sizeof buf)) > 0;) left.append(buf, static_cast<std::size_t>(n));
  if (rest != nullptr) *rest = left;
  close(peer.fd);
  int status = 0;
  waitpid(peer.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

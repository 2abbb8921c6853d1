#include "tests/child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string read_all(int fd) {
  std::string s;
  char buf[4096];
  lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) s.append(buf, static_cast<std::size_t>(n));
  return s;
}

int temp_file() {
  char name[] = "/tmp/tovrin-child-XXXXXX";
  const int fd = mkstemp(name);
  unlink(name);
  return fd;
}

int exit_status(int wait_status) {
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

// The write end of a pipe that nobody can read any more.
int pipe_without_reader() {
  int ends[2];
  if (pipe(ends) != 0) std::abort();
  close(ends[0]);
  return ends[1];
}

// Output goes to unlinked temporary files rather than pipes, so a child that
// writes a lot cannot block on a reader that is waiting for it to end.
struct captured {
  int out = temp_file();
  int err = temp_file();
  ~captured() {
    close(out);
    close(err);
  }
  void collect(child_result& r) {
    r.out = read_all(out);
    r.err = read_all(err);
  }
};

}  // namespace

child_result run_in_child(const std::function<void()>& body, const child_setup& setup) {
  captured files;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = setup.stdout_path.empty() ? files.out
                                              : open(setup.stdout_path.c_str(), O_WRONLY);
    dup2(setup.stdout_no_reader ? pipe_without_reader() : out, 1);
    dup2(setup.stderr_no_reader ? pipe_without_reader() : files.err, 2);
    if (setup.close_stdout) close(1);
    if (setup.close_stderr) close(2);
    if (setup.file_size_limit >= 0) {
      const rlimit limit = {static_cast<rlim_t>(setup.file_size_limit),
                            static_cast<rlim_t>(setup.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    body();
    _exit(0);
  }
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  child_result r;
  r.status = exit_status(wait_status);
  r.signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
  files.collect(r);
  return r;
}

child_result run_program(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& env, const child_setup& setup) {
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  return run_in_child(
      [&] {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        close(null);
        for (int sig = 1; sig < NSIG; ++sig) signal(sig, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (setup.uid >= 0 && (setgid(static_cast<gid_t>(setup.uid)) != 0 ||
                               setuid(static_cast<uid_t>(setup.uid)) != 0))
          _exit(126);
        execve(path.c_str(), args.data(), envp.data());
        _exit(127);
      },
      setup);
}

scratch_dir::scratch_dir() {
  char name[] = "/tmp/tovrin-test-XXXXXX";
  path = mkdtemp(name);
}

scratch_dir::~scratch_dir() {
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path, ignored);
}

std::string scratch_dir::file(const std::string& name, const std::string& bytes,
                              int mode) const {
  const std::string p = path + "/" + name;
  const int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    close(fd);
  }
  chmod(p.c_str(), static_cast<mode_t>(mode));
  return p;
}

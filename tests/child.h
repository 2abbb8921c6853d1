// Running code or a built program in a child process and collecting what it
// leaves on descriptors 1 and 2 and its exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct child_result {
  int status = -1;  // exit status, or -1 when the child did not exit normally
  int signal = 0;   // the signal that ended the child, if one did
  std::string out;  // bytes written to descriptor 1
  std::string err;  // bytes written to descriptor 2
};

struct child_setup {
  bool close_stdout = false;
  bool close_stderr = false;
  std::string stdout_path;  // when set, descriptor 1 is opened on this file
  int uid = -1;             // when set (and run as root), the child runs as this user
  // Descriptor 1 or 2 is the write end of a pipe whose read end is already
  // closed, as when the reader of a shell pipeline has gone.
  bool stdout_no_reader = false;
  bool stderr_no_reader = false;
  long file_size_limit = -1;  // when set, RLIMIT_FSIZE in bytes
};

inline child_setup stderr_closed() {
  child_setup s;
  s.close_stderr = true;
  return s;
}

inline child_setup stdout_closed() {
  child_setup s;
  s.close_stdout = true;
  return s;
}

inline child_setup stdout_to(const std::string& path) {
  child_setup s;
  s.stdout_path = path;
  return s;
}

// Runs body in a forked child; a body that returns exits with status 0.
child_result run_in_child(const std::function<void()>& body, const child_setup& setup = {});

// Runs the program with exactly these arguments (argv[0] included) and
// environment entries, standard input on /dev/null, and every signal at its
// default disposition, as a shell or a mail system starts it (test
// harnesses often start their children with SIGPIPE ignored, which would
// hide a death by SIGPIPE).
child_result run_program(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& env, const child_setup& setup = {});

// A fresh private directory under the system's temporary folder, removed
// with its files when the object goes.
struct scratch_dir {
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  std::string path;
  // Writes bytes into a file of the directory and returns its path.
  std::string file(const std::string& name, const std::string& bytes, int mode = 0600) const;
};

// Running the built programs the way their callers do.
#pragma once

#include <string>
#include <vector>

#include "tests/child.h"

inline const std::string create_path = TOVRIN_CREATE_PATH;
inline const std::string check_path = TOVRIN_CHECK_PATH;
inline const std::string rotating_path = TOVRIN_CHECK_ROTATING_PATH;

// An environment with SENDER set to sender, and a PATH for good measure.
inline std::vector<std::string> sender_env(const std::string& sender) {
  return {"PATH=/usr/bin:/bin", "SENDER=" + sender};
}

// Runs the program at path with argv[0] set to name, then args.
inline child_result run_named(const std::string& path, const char* name,
                              const std::vector<std::string>& args,
                              const std::vector<std::string>& env, const child_setup& setup) {
  std::vector<std::string> argv{name};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_program(path, argv, env, setup);
}

inline child_result run_create(const std::vector<std::string>& args,
                               const std::vector<std::string>& env,
                               const child_setup& setup = {}) {
  return run_named(create_path, "tovrin-create", args, env, setup);
}

inline child_result run_check(const std::vector<std::string>& args,
                              const std::vector<std::string>& env,
                              const child_setup& setup = {}) {
  return run_named(check_path, "tovrin-check", args, env, setup);
}

inline child_result run_rotating(const std::vector<std::string>& args,
                                 const std::vector<std::string>& env,
                                 const child_setup& setup = {}) {
  return run_named(rotating_path, "tovrin-check-rotating", args, env, setup);
}

// A run that must fail: its environment, arguments, status and the exact
// line on standard error; standard output stays empty.
struct refusal_case {
  std::vector<std::string> env;
  std::vector<std::string> args;
  int status;
  std::string err;
};

// Runs every case through run (run_create or run_check) and compares.
void expect_refusals(child_result (*run)(const std::vector<std::string>&,
                                          const std::vector<std::string>&, const child_setup&),
                     const std::vector<refusal_case>& cases);

// The cookie the engine derives for key, expiry text and sender.
std::string expected_cookie(const std::string& key, const std::string& expiry,
                            const std::string& sender);

// A whole tag for key, expiry and sender: digits, ".", cookie.
std::string tag_for(const std::string& key, unsigned long long expiry, const std::string& sender);

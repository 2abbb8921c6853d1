// The two ways a program run ends in failure.
#pragma once

#include "support/fatal.h"

// Status 100: the call or the tag is refused; no error text.
[[noreturn]] inline void refuse(const char* program_prefix, const char* message) {
  fatal_exit(EXIT_REJECT, program_prefix, message, nullptr, nullptr, nullptr, nullptr, nullptr);
}

// Status 111: a system call failed; the text of errno follows the message.
[[noreturn]] inline void fail_system(const char* program_prefix, const char* message) {
  fatal_exit(EXIT_IOFAIL, program_prefix, message, nullptr, nullptr, nullptr, nullptr,
             &sys_error);
}

// Status 111 with no error text: a fault of the system's set-up that the
// administrator mends, such as an empty secret.
[[noreturn]] inline void fail_temporarily(const char* program_prefix, const char* message) {
  fatal_exit(EXIT_IOFAIL, program_prefix, message, nullptr, nullptr, nullptr, nullptr, nullptr);
}

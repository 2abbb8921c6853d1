// What judging a tag comes to, for a caller that reports it in its own way:
// a fatal line and an exit status, or a reply and a log line.
#pragma once

struct verdict {
  int status;           // 0 good, EXIT_REJECT refused, EXIT_IOFAIL cannot be judged now
  const char* message;  // why, when status is not 0
  int error;            // errno whose text follows the message, or 0 for none
};

inline constexpr verdict VERDICT_GOOD = {0, nullptr, 0};

// Log lines for a service whose standard error is its peer: each line is
// one datagram to the system logger's socket, /dev/log, in the syslog
// format "<priority>ident[pid]: text". No time stamp is sent (the logger
// adds its own), and nothing of the C library's syslog(3) is used: it
// brings an allocator and time-zone code. Where there is no /dev/log,
// lines are dropped.
#pragma once

#include <stdint.h>

inline constexpr uint32_t LOG_LINE_MAX = 1024;

// A line being put together; longer text is cut at LOG_LINE_MAX bytes.
struct log_line {
  char bytes[LOG_LINE_MAX];
  uint32_t len;
};

// Starts a line with the syslog header: priority is facility | severity,
// as LOG_MAIL | LOG_NOTICE from <syslog.h>.
void log_start(log_line* line, int priority, const char* ident);
// Appends text as it is.
void log_add(log_line* line, const char* text);
// Appends at most max of the len bytes at bytes, each control byte as
// "?", and "..." where it cut: for text that others chose.
void log_add_quoted(log_line* line, const char* bytes, uint32_t len, uint32_t max);
// Sends the line; 0, or -1 with errno set when there is no logger or it
// did not take the line.
int log_send(const log_line* line);

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/helpers.h"
#include "support/log.h"

namespace {

// The logger's socket, connected on first use and again after a send
// fails (the logger may have restarted). -1 while not connected.
constinit int logger = -1;

int logger_connect() {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  mem_copy(address.sun_path, sizeof "/dev/log", "/dev/log");
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void put(log_line* line, char byte) {
  if (line->len < LOG_LINE_MAX) line->bytes[line->len++] = byte;
}

}  // namespace

void log_start(log_line* line, int priority, const char* ident) {
  char digits[NUM_DIGITS_MAX];
  line->len = 0;
  put(line, '<');
  const uint32_t n = num_format(digits, static_cast<uint64_t>(priority));
  for (uint32_t i = 0; i < n; ++i) put(line, digits[i]);
  put(line, '>');
  log_add(line, ident);
  put(line, '[');
  const uint32_t m = num_format(digits, static_cast<uint64_t>(getpid()));
  for (uint32_t i = 0; i < m; ++i) put(line, digits[i]);
  log_add(line, "]: ");
}

void log_add(log_line* line, const char* text) {
  for (; *text != '\0'; ++text) put(line, *text);
}

void log_add_quoted(log_line* line, const char* bytes, uint32_t len, uint32_t max) {
  for (uint32_t i = 0; i < len && i < max; ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    put(line, b < 0x20 || b == 0x7f ? '?' : static_cast<char>(b));
  }
  if (len > max) log_add(line, "...");
}

int log_send(const log_line* line) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (logger < 0) logger = logger_connect();
    if (logger < 0) return -1;
    if (send(logger, line->bytes, line->len, MSG_NOSIGNAL) >= 0) return 0;
    close(logger);
    logger = -1;
  }
  return -1;
}

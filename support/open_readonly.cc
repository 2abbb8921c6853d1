#include <fcntl.h>

#include "support/helpers.h"

// Non-blocking so that a FIFO or device given as the path cannot hang the
// program; no retry, not even after EINTR.
int open_readonly(const char* path) { return open(path, O_RDONLY | O_NONBLOCK); }

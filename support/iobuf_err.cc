#include "support/iobuf.h"

// Single-threaded: no locking. Only the fatal report writes here, and it
// flushes after every report.
static char err_storage[IOBUF_ERR_SIZE];
constinit iobuf iobuf_err = {err_storage, 0, IOBUF_ERR_SIZE, 2, fd_write};

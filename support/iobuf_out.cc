#include "support/iobuf.h"

// Single-threaded: no locking. Nothing flushes it implicitly.
static char out_storage[IOBUF_OUT_SIZE];
constinit iobuf iobuf_out = {out_storage, 0, IOBUF_OUT_SIZE, 1, fd_write};

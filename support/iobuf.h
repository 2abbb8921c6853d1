// Buffered descriptor I/O.
//
// Operations that touch the system return -1 on failure with errno left as
// the failing transfer set it, else 0 or a count. Only a transfer that fails
// with EINTR is repeated, without limit. Nothing here allocates, opens,
// closes or flushes by itself. Single-threaded: records carry no lock.
#pragma once

#include <stdint.h>

// Moves bytes between a descriptor and memory: the count moved, 0 at end of
// input, or -1 with errno set. Output transfers never write through bytes.
using iobuf_transfer = int32_t(int descriptor, char* bytes, uint32_t len);

// Serves input or output, never both.
// Output: the pending bytes are the first `held` of storage; `mark` is the
//   capacity.
// Input: the unconsumed bytes are the `held` from offset `mark` on, always
//   ending at the capacity (mark + held == capacity).
struct iobuf {
  char* storage;
  uint32_t held;
  uint32_t mark;
  int descriptor;
  iobuf_transfer* transfer;
};

inline constexpr uint32_t IOBUF_OUT_SIZE = 8192;
inline constexpr uint32_t IOBUF_ERR_SIZE = 256;
// Smallest piece in which a put writes a run that skips the storage.
inline constexpr uint32_t IOBUF_CHUNK_MIN = 8192;

// Descriptor 1 and 2, ready from the first instruction; flushed only on
// request, never at exit.
extern iobuf iobuf_out;
extern iobuf iobuf_err;

int32_t fd_read(int descriptor, char* bytes, uint32_t len);
int32_t fd_write(int descriptor, char* bytes, uint32_t len);

void iobuf_init(iobuf* b, iobuf_transfer* transfer, int descriptor, char* storage,
                uint32_t capacity);

// Output. A put that does not fit first drains what is pending; after a
// failure the record is empty and the pending bytes are gone.
int iobuf_flush(iobuf* b);
// Runs too large for the empty storage are written straight from data.
int iobuf_put(iobuf* b, const char* data, uint32_t len);
// Every byte passes through the storage.
int iobuf_put_buffered(iobuf* b, const char* data, uint32_t len);
// Drains, then writes data straight away; the record ends up empty.
int iobuf_put_flush(iobuf* b, const char* data, uint32_t len);
int iobuf_puts(iobuf* b, const char* text);
int iobuf_puts_buffered(iobuf* b, const char* text);
int iobuf_puts_flush(iobuf* b, const char* text);

// Input. Each returns the bytes delivered, 0 at end of input, or -1.
// With nothing buffered, a request of at least the capacity is one read
// straight into dest (iobuf_get asks for len, iobuf_bget for the capacity).
int iobuf_get(iobuf* b, char* dest, uint32_t len);
int iobuf_bget(iobuf* b, char* dest, uint32_t len);
// Refills an empty record; returns the bytes available.
int iobuf_feed(iobuf* b);
char* iobuf_peek(iobuf* b);
// Consumes n <= held bytes.
void iobuf_seek(iobuf* b, uint32_t n);

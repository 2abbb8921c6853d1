#include <errno.h>

#include "support/helpers.h"
#include "support/iobuf.h"

namespace {

// One transfer, repeated only after EINTR; a short count is returned as is.
int32_t read_once(iobuf* b, char* p, uint32_t n) {
  for (;;) {
    const int32_t r = b->transfer(b->descriptor, p, n);
    if (r != -1 || errno != EINTR) return r;
  }
}

int deliver(iobuf* b, char* dest, uint32_t len) {
  const uint32_t n = b->held < len ? b->held : len;
  mem_copy(dest, n, b->storage + b->mark);
  b->held -= n;
  b->mark += n;
  return static_cast<int>(n);
}

// straight_len: what a straight read into dest asks for when nothing is
// buffered and the request is at least the capacity.
int get(iobuf* b, char* dest, uint32_t len, uint32_t straight_len) {
  if (b->held == 0) {
    if (b->mark <= len) return read_once(b, dest, straight_len);
    const int r = iobuf_feed(b);
    if (r <= 0) return r;
  }
  return deliver(b, dest, len);
}

}  // namespace

// The read lands at the start of the storage and moves up to end at the
// capacity; the ranges may overlap with the destination above, hence the
// backward copy.
int iobuf_feed(iobuf* b) {
  if (b->held != 0) return static_cast<int>(b->held);
  const int32_t r = read_once(b, b->storage, b->mark);
  if (r <= 0) return r;
  b->held = static_cast<uint32_t>(r);
  b->mark -= b->held;
  if (b->mark != 0) mem_copy_back(b->storage + b->mark, b->held, b->storage);
  return r;
}

int iobuf_get(iobuf* b, char* dest, uint32_t len) { return get(b, dest, len, len); }

int iobuf_bget(iobuf* b, char* dest, uint32_t len) { return get(b, dest, len, b->mark); }

char* iobuf_peek(iobuf* b) { return b->storage + b->mark; }

void iobuf_seek(iobuf* b, uint32_t n) {
  b->mark += n;
  b->held -= n;
}

#include <errno.h>

#include "support/helpers.h"
#include "support/iobuf.h"

namespace {

// A short write is progress, not failure: the rest goes in further
// transfers. A transfer that moves nothing would be asked again forever, so
// it counts as an I/O error.
int write_all(iobuf* b, const char* p, uint32_t n) {
  while (n != 0) {
    const int32_t r = b->transfer(b->descriptor, const_cast<char*>(p), n);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) {
      errno = EIO;
      return -1;
    }
    p += r;
    n -= static_cast<uint32_t>(r);
  }
  return 0;
}

// held is cleared before the first transfer, so after a failure the
// pending bytes are gone whether or not some reached the descriptor.
int drain(iobuf* b) {
  const uint32_t n = b->held;
  b->held = 0;
  return write_all(b, b->storage, n);
}

void append(iobuf* b, const char* data, uint32_t len) {
  mem_copy(b->storage + b->held, len, data);
  b->held += len;
}

}  // namespace

int iobuf_flush(iobuf* b) { return drain(b); }

int iobuf_put(iobuf* b, const char* data, uint32_t len) {
  const uint32_t capacity = b->mark;
  if (len <= capacity - b->held) {
    append(b, data, len);
    return 0;
  }
  if (drain(b) == -1) return -1;
  if (len > capacity) {
    const uint32_t chunk = capacity > IOBUF_CHUNK_MIN ? capacity : IOBUF_CHUNK_MIN;
    do {
      const uint32_t n = len < chunk ? len : chunk;
      if (write_all(b, data, n) == -1) return -1;
      data += n;
      len -= n;
    } while (len > capacity);
  }
  append(b, data, len);
  return 0;
}

int iobuf_put_buffered(iobuf* b, const char* data, uint32_t len) {
  const uint32_t capacity = b->mark;
  if (len > capacity - b->held) {
    do {
      const uint32_t n = capacity - b->held;
      append(b, data, n);
      if (drain(b) == -1) return -1;
      data += n;
      len -= n;
    } while (len > capacity);
  }
  append(b, data, len);
  return 0;
}

int iobuf_put_flush(iobuf* b, const char* data, uint32_t len) {
  if (drain(b) == -1) return -1;
  return write_all(b, data, len);
}

int iobuf_puts(iobuf* b, const char* text) { return iobuf_put(b, text, text_len(text)); }

int iobuf_puts_buffered(iobuf* b, const char* text) {
  return iobuf_put_buffered(b, text, text_len(text));
}

int iobuf_puts_flush(iobuf* b, const char* text) {
  return iobuf_put_flush(b, text, text_len(text));
}

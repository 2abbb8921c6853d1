#include <unistd.h>

#include "support/iobuf.h"

void iobuf_init(iobuf* b, iobuf_transfer* transfer, int descriptor, char* storage,
                uint32_t capacity) {
  b->storage = storage;
  b->held = 0;
  b->mark = capacity;
  b->descriptor = descriptor;
  b->transfer = transfer;
}

int32_t fd_read(int descriptor, char* bytes, uint32_t len) {
  return static_cast<int32_t>(read(descriptor, bytes, len));
}

int32_t fd_write(int descriptor, char* bytes, uint32_t len) {
  return static_cast<int32_t>(write(descriptor, bytes, len));
}

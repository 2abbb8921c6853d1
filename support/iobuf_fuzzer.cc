// Sequences of puts, flushes and gets on small records, through transfers
// that answer with short counts and EINTR, checked against the simplest
// model: output is every byte put, in order; input is the source, in order.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/iobuf.h"

namespace {

struct input_bytes {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  bool done() const { return at >= size; }
  std::uint8_t next() { return at < size ? data[at++] : 0; }
};

input_bytes* script;
std::string sink;          // every byte the output transfer took
std::string source;        // what the input transfer delivers, in order
std::size_t source_at = 0;

// Answers from the script: EINTR, a short count, or the whole request; the
// whole request once the script is used up, so every operation can end.
std::int32_t answer(std::uint32_t len) {
  if (script->done()) return static_cast<std::int32_t>(len);
  const std::uint8_t b = script->next();
  if (b % 8 == 0) {
    errno = EINTR;
    return -1;
  }
  if (b % 8 == 1 && len > 1) return static_cast<std::int32_t>(1 + b / 8 % (len - 1));
  return static_cast<std::int32_t>(len);
}

std::int32_t model_write(int, char* bytes, std::uint32_t len) {
  const std::int32_t r = answer(len);
  if (r > 0) sink.append(bytes, static_cast<std::size_t>(r));
  return r;
}

std::int32_t model_read(int, char* bytes, std::uint32_t len) {
  std::int32_t r = answer(len);
  if (r <= 0) return r;
  const std::size_t left = source.size() - source_at;
  if (static_cast<std::size_t>(r) > left) r = static_cast<std::int32_t>(left);
  source.copy(bytes, static_cast<std::size_t>(r), source_at);
  source_at += static_cast<std::size_t>(r);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  input_bytes in{data, size};
  script = &in;
  sink.clear();
  source.assign(300, '\0');
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 31 + 7);
  source_at = 0;

  char out_storage[16], in_storage[16], payload[100];
  for (std::size_t i = 0; i < sizeof payload; ++i) payload[i] = static_cast<char>('A' + i % 50);
  const std::uint32_t out_capacity = 1 + in.next() % 16, in_capacity = 1 + in.next() % 16;
  iobuf out, inp;
  iobuf_init(&out, model_write, 1, out_storage, out_capacity);
  iobuf_init(&inp, model_read, 0, in_storage, in_capacity);
  std::string put_so_far, got_so_far;

  while (in.at < in.size) {
    const std::uint8_t op = in.next();
    const std::uint32_t len = in.next() % 100;
    int r = 0;
    switch (op % 6) {
      case 0: r = iobuf_put(&out, payload, len); break;
      case 1: r = iobuf_put_buffered(&out, payload, len); break;
      case 2: r = iobuf_put_flush(&out, payload, len); break;
      case 3: r = iobuf_flush(&out); break;
      case 4:
      case 5: {
        char dest[100];
        r = op % 6 == 4 ? iobuf_get(&inp, dest, len) : iobuf_bget(&inp, dest, len);
        if (r > 0) got_so_far.append(dest, static_cast<std::size_t>(r));
        if (r < 0 || static_cast<std::uint32_t>(r) > len) std::abort();
        if (inp.mark + inp.held != in_capacity) std::abort();
        break;
      }
    }
    if (op % 6 <= 2) put_so_far.append(payload, len);
    if (op % 6 <= 3 && r != 0) std::abort();
    if (out.held > out_capacity) std::abort();
    // Taken by the transfer, then still pending: all that was put.
    if (sink + std::string(out_storage, out.held) != put_so_far) std::abort();
    if (got_so_far != source.substr(0, got_so_far.size())) std::abort();
  }
  return 0;
}

#include "support/iobuf.h"
#include "tools/policy.h"

int policy_request_next(iobuf* in, policy_request* r) {
  policy_request_start(r);
  while (!r->complete) {
    const int available = iobuf_feed(in);
    if (available <= 0) return available;
    iobuf_seek(in, policy_request_read(r, iobuf_peek(in), static_cast<uint32_t>(available)));
  }
  return 1;
}

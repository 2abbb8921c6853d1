// Compile-time known answers: a build whose surf or counter-sum hash drifts
// from the published values does not compile.
#include <stdint.h>

#include "cookie/pcs.h"
#include "cookie/surf.h"

namespace {

constexpr bool surf_of_zeros_matches() {
  const uint32_t in[12] = {};
  const uint32_t seed[32] = {};
  uint32_t out[8] = {};
  surf(out, in, seed);
  const uint32_t expected[8] = {0x735f0f53, 0x419bd3ee, 0x99ce0d99,
                                     0x3e3f070d, 0x9fd84c10, 0x7ba57fac,
                                     0x509986cd, 0x4fa60016};
  for (int i = 0; i < 8; ++i)
    if (out[i] != expected[i]) return false;
  return true;
}
static_assert(surf_of_zeros_matches());

constexpr bool digest_of_empty_message_matches() {
  const uint32_t seed[32] = {};
  pcs_state state{};
  uint8_t digest[PCS_DIGEST_LEN] = {};
  pcs_init(&state, seed);
  pcs_out(&state, digest);
  const uint8_t expected[PCS_DIGEST_LEN] = {
      0xe0, 0x91, 0x56, 0x21, 0xaf, 0xe2, 0x14, 0x17, 0x6a, 0x61, 0xab,
      0xe1, 0x80, 0xa3, 0x18, 0x49, 0x3f, 0xc4, 0xef, 0x23, 0xd7, 0xe0,
      0x6d, 0xb7, 0xea, 0xac, 0x6f, 0x08, 0xa3, 0x25, 0x2c, 0x6f};
  for (int i = 0; i < PCS_DIGEST_LEN; ++i)
    if (digest[i] != expected[i]) return false;
  return true;
}
static_assert(digest_of_empty_message_matches());

}  // namespace

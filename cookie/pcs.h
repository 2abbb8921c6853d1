// Counter-sum hash: a keyed 32-byte digest of a byte string of any length.
//
// The message is cut into 32-byte blocks. Each block, with a 128-bit block
// number, is one surf input under the same seed; the outputs are summed word
// by word, and one last surf call over the sum gives the digest. The message
// may be split across pcs_add calls in any way without changing the digest.
#pragma once

#include <stdint.h>

#include "cookie/surf.h"

inline constexpr int PCS_DIGEST_LEN = 32;

struct pcs_state {
  uint32_t seed[32];
  uint32_t total[8];   // sum of the surf outputs of all finished blocks
  uint32_t result[8];  // output of the latest surf call
  uint32_t input[12];  // words 0..7: block bytes; 8..11: block counter
  int32_t fill;        // bytes of the current block collected so far
};

constexpr void pcs_init(pcs_state* s, const uint32_t seed[32]) {
  for (int i = 0; i < 32; ++i) s->seed[i] = seed[i];
  for (int i = 0; i < 8; ++i) s->total[i] = 0;
  for (int i = 0; i < 8; ++i) s->result[i] = 0;
  for (int i = 0; i < 12; ++i) s->input[i] = 0;
  s->fill = 0;
}

// The counter spans input words 8 (least significant) to 11 and is raised
// before the block's surf call, so the n-th block is hashed with counter n.
constexpr void pcs_block(pcs_state* s) {
  s->fill = 0;
  for (int i = 8; i < 12; ++i)
    if (++s->input[i] != 0) break;
  surf(s->result, s->input, s->seed);
  for (int i = 0; i < 8; ++i) s->total[i] += s->result[i];
}

// Byte k of a block is byte k % 4 (least significant first) of word k / 4,
// defined on word values so every host places it alike.
constexpr void pcs_add_byte(pcs_state* s, uint8_t byte) {
  const int word = s->fill / 4;
  const int shift = 8 * (s->fill % 4);
  s->input[word] = (s->input[word] & ~(uint32_t{0xff} << shift)) |
                   (uint32_t{byte} << shift);
  if (++s->fill == 32) pcs_block(s);
}

constexpr void pcs_add(pcs_state* s, const char* bytes, int32_t len) {
  for (int32_t i = 0; i < len; ++i)
    pcs_add_byte(s, static_cast<uint8_t>(bytes[i]));
}

// Closes the message with "." and zero bytes up to a block edge, then runs
// the final surf over the total with a zero counter. The state is used up.
constexpr void pcs_out(pcs_state* s, uint8_t digest[PCS_DIGEST_LEN]) {
  pcs_add_byte(s, '.');
  while (s->fill != 0) pcs_add_byte(s, 0);
  for (int i = 0; i < 8; ++i) s->input[i] = s->total[i];
  for (int i = 8; i < 12; ++i) s->input[i] = 0;
  surf(s->result, s->input, s->seed);
  for (int k = 0; k < PCS_DIGEST_LEN; ++k)
    digest[k] = static_cast<uint8_t>(s->result[k / 4] >> (8 * (k % 4)));
}

// SURF: twelve input words and a 32-word seed give eight output words.
#pragma once

#include <bit>
#include <cstdint>

// S0..S11 enter every update step, S12..S23 are mixed into the input,
// S24..S31 are the starting value of the output.
constexpr void surf(std::uint32_t out[8], const std::uint32_t in[12],
                    const std::uint32_t seed[32]) {
  constexpr int rotation[4] = {5, 7, 9, 13};
  std::uint32_t w[12] = {};
  for (int i = 0; i < 12; ++i) w[i] = in[i] ^ seed[12 + i];
  for (int i = 0; i < 8; ++i) out[i] = seed[24 + i];

  std::uint32_t sum = 0;
  // Each word is updated from the one updated just before it; the first of
  // a cycle continues from the last of the previous cycle.
  std::uint32_t chain = w[11];
  // The second pass continues from the first pass's words, and the sum keeps
  // growing: cycle k of the 32 uses k times the constant.
  for (int pass = 0; pass < 2; ++pass) {
    for (int cycle = 0; cycle < 16; ++cycle) {
      sum += 0x9e3779b9;
      for (int i = 0; i < 12; ++i) {
        w[i] += ((chain ^ seed[i]) + sum) ^ std::rotl(chain, rotation[i % 4]);
        chain = w[i];
      }
    }
    for (int i = 0; i < 8; ++i) out[i] ^= w[i + 4];
  }
}

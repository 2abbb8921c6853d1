// SURF: twelve input words and a 32-word seed give eight output words.
#pragma once

#include <stdint.h>

// Compiles to a single rotate instruction; r is always 5, 7, 9 or 13.
constexpr uint32_t rotl32(uint32_t x, int r) { return (x << r) | (x >> (32 - r)); }

// One update step: the word grows by a mix of the chain word (the word
// updated just before), its seed word and the running sum; it then becomes
// the chain word of the next step.
constexpr void surf_step(uint32_t& word, uint32_t& chain, uint32_t seed_word, uint32_t sum,
                         int r) {
  word += ((chain ^ seed_word) + sum) ^ rotl32(chain, r);
  chain = word;
}

// S0..S11 enter every update step, S12..S23 are mixed into the input,
// S24..S31 are the starting value of the output.
constexpr void surf(uint32_t out[8], const uint32_t in[12],
                    const uint32_t seed[32]) {
  uint32_t w[12] = {};
  for (int i = 0; i < 12; ++i) w[i] = in[i] ^ seed[12 + i];
  for (int i = 0; i < 8; ++i) out[i] = seed[24 + i];

  uint32_t sum = 0;
  // Each word is updated from the one updated just before it; the first of
  // a cycle continues from the last of the previous cycle.
  uint32_t chain = w[11];
  // The second pass continues from the first pass's words, and the sum keeps
  // growing: cycle k of the 32 uses k times the constant.
  for (int pass = 0; pass < 2; ++pass) {
    for (int cycle = 0; cycle < 16; ++cycle) {
      sum += 0x9e3779b9;
      // Word, chain word, seed word and rotation of each of the 12 steps.
      surf_step(w[0], chain, seed[0], sum, 5);
      surf_step(w[1], chain, seed[1], sum, 7);
      surf_step(w[2], chain, seed[2], sum, 9);
      surf_step(w[3], chain, seed[3], sum, 13);
      surf_step(w[4], chain, seed[4], sum, 5);
      surf_step(w[5], chain, seed[5], sum, 7);
      surf_step(w[6], chain, seed[6], sum, 9);
      surf_step(w[7], chain, seed[7], sum, 13);
      surf_step(w[8], chain, seed[8], sum, 5);
      surf_step(w[9], chain, seed[9], sum, 7);
      surf_step(w[10], chain, seed[10], sum, 9);
      surf_step(w[11], chain, seed[11], sum, 13);
    }
    for (int i = 0; i < 8; ++i) out[i] ^= w[i + 4];
  }
}

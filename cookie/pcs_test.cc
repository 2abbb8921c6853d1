#include "cookie/pcs.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tests/vector_file.h"

namespace {

using digest_bytes = std::array<std::uint8_t, PCS_DIGEST_LEN>;

// The repeating 251-byte pattern the known answers are built from.
std::string pattern(std::size_t n) {
  std::string m(n, '\0');
  for (std::size_t i = 0; i < n; ++i) m[i] = static_cast<char>(i % 251);
  return m;
}

digest_bytes digest_in_pieces(const std::uint32_t seed[32], const std::string& m,
                              const std::vector<std::size_t>& pieces) {
  pcs_state s;
  pcs_init(&s, seed);
  std::size_t at = 0;
  for (std::size_t len : pieces) {
    pcs_add(&s, m.data() + at, static_cast<std::int32_t>(len));
    at += len;
  }
  pcs_add(&s, m.data() + at, static_cast<std::int32_t>(m.size() - at));
  digest_bytes d;
  pcs_out(&s, d.data());
  return d;
}

digest_bytes digest_of(const std::uint32_t seed[32], const std::string& m) {
  return digest_in_pieces(seed, m, {});
}

// The hash written out block by block from surf alone: the message, ".",
// zeros to a block edge, each block with its number, then the final call
// over the sum with a zero counter.
digest_bytes reference_digest(const std::uint32_t seed[32], std::string m) {
  m.push_back('.');
  while (m.size() % 32 != 0) m.push_back('\0');
  std::uint32_t total[8] = {};
  for (std::size_t b = 0; b < m.size() / 32; ++b) {
    std::uint32_t in[12] = {};
    for (int k = 0; k < 32; ++k)
      in[k / 4] |= std::uint32_t{static_cast<std::uint8_t>(m[32 * b + k])} << (8 * (k % 4));
    in[8] = static_cast<std::uint32_t>(b + 1);
    std::uint32_t out[8];
    surf(out, in, seed);
    for (int j = 0; j < 8; ++j) total[j] += out[j];
  }
  std::uint32_t in[12] = {};
  for (int j = 0; j < 8; ++j) in[j] = total[j];
  std::uint32_t out[8];
  surf(out, in, seed);
  digest_bytes d;
  for (int k = 0; k < PCS_DIGEST_LEN; ++k) d[k] = static_cast<std::uint8_t>(out[k / 4] >> (8 * (k % 4)));
  return d;
}

std::string hex(const digest_bytes& d) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : d) {
    s.push_back(digits[b >> 4]);
    s.push_back(digits[b & 15]);
  }
  return s;
}

const std::uint32_t zero_seed[32] = {};

std::array<std::uint32_t, 32> counting_seed() {
  std::array<std::uint32_t, 32> s;
  for (std::uint32_t i = 0; i < 32; ++i) s[i] = 0x01010101u * i + 0x243f6a88u;
  return s;
}

}  // namespace

TEST(CounterSum, MatchesEveryKnownAnswer) {
  const auto vectors = read_vectors("pcs.txt");
  ASSERT_GE(vectors.size(), 20u);
  for (const auto& v : vectors) {
    const auto seed = hex_words(v[0]);
    ASSERT_EQ(seed.size(), 32u);
    const std::string message = hex_bytes(v[1]);
    EXPECT_EQ(hex(digest_of(seed.data(), message)), v[2])
        << "message of " << message.size() << " bytes";
  }
}

// Lengths at and around block edges pin the closing block: 31 bytes need no
// zero padding, 32 bytes get a whole closing block of their own.
TEST(CounterSum, AgreesWithBlockByBlockConstruction) {
  const auto seed = counting_seed();
  for (std::size_t n : {0, 1, 30, 31, 32, 33, 63, 64, 65, 200}) {
    const std::string m = pattern(n);
    EXPECT_EQ(hex(digest_of(seed.data(), m)), hex(reference_digest(seed.data(), m)))
        << n << " bytes";
  }
}

TEST(CounterSum, BlocksAreHashedAsSoonAsTheyFill) {
  const std::string m = pattern(65);
  for (const auto& [len, blocks, fill] :
       std::vector<std::tuple<int, std::uint32_t, int>>{
           {0, 0, 0}, {31, 0, 31}, {32, 1, 0}, {33, 1, 1}, {64, 2, 0}, {65, 2, 1}}) {
    pcs_state s;
    pcs_init(&s, zero_seed);
    pcs_add(&s, m.data(), len);
    EXPECT_EQ(s.input[8], blocks) << len;
    EXPECT_EQ(s.fill, fill) << len;
  }
}

TEST(CounterSum, SplittingTheMessageDoesNotMatter) {
  const auto seed = counting_seed();
  const std::string m = pattern(200);
  const digest_bytes whole = digest_of(seed.data(), m);

  std::vector<std::size_t> bytewise(m.size(), 1);
  EXPECT_EQ(digest_in_pieces(seed.data(), m, bytewise), whole);
  EXPECT_EQ(digest_in_pieces(seed.data(), m, {0, 5, 0, 27, 0, 0, 1, 31, 32, 33, 0, 64}), whole);
  EXPECT_EQ(digest_in_pieces(seed.data(), m, {199, 0, 1}), whole);
  // Zero-length pieces alone leave the empty message.
  EXPECT_EQ(digest_in_pieces(seed.data(), std::string(), {0, 0, 0}),
            digest_of(seed.data(), std::string()));
}

// The 128-bit counter carries from word 8 up to word 11 and wraps there; the
// counter is raised before the block goes through surf.
TEST(CounterSum, BlockCounterCarriesAcrossWords) {
  struct counter_case {
    std::array<std::uint32_t, 4> before, after;
  };
  const std::uint32_t top = 0xffffffffu;
  const counter_case cases[] = {
      {{0, 0, 0, 0}, {1, 0, 0, 0}},
      {{top, 0, 0, 0}, {0, 1, 0, 0}},
      {{top, top, 0, 0}, {0, 0, 1, 0}},
      {{top, top, top, 0}, {0, 0, 0, 1}},
      {{top, top, top, 7}, {0, 0, 0, 8}},
      {{top, top, top, top}, {0, 0, 0, 0}},
      {{top, 5, top, 0}, {0, 6, top, 0}},
  };
  const auto seed = counting_seed();
  const std::string block = pattern(32);
  for (const auto& c : cases) {
    pcs_state s;
    pcs_init(&s, seed.data());
    for (int i = 0; i < 4; ++i) s.input[8 + i] = c.before[i];
    pcs_add(&s, block.data(), 32);
    EXPECT_EQ((std::array<std::uint32_t, 4>{s.input[8], s.input[9], s.input[10], s.input[11]}),
              c.after);

    std::uint32_t expected_in[12] = {};
    for (int k = 0; k < 32; ++k)
      expected_in[k / 4] |= std::uint32_t{static_cast<std::uint8_t>(block[k])} << (8 * (k % 4));
    for (int i = 0; i < 4; ++i) expected_in[8 + i] = c.after[i];
    std::uint32_t expected_total[8];
    surf(expected_total, expected_in, seed.data());
    EXPECT_EQ(std::vector<std::uint32_t>(s.total, s.total + 8),
              std::vector<std::uint32_t>(expected_total, expected_total + 8));
  }
}

#include "cookie/surf.h"

#include <gtest/gtest.h>

#include "tests/vector_file.h"

TEST(Surf, MatchesEveryKnownAnswer) {
  const auto vectors = read_vectors("surf.txt");
  ASSERT_EQ(vectors.size(), 5u);
  for (const auto& v : vectors) {
    const auto in = hex_words(v[0]);
    const auto seed = hex_words(v[1]);
    const auto expected = hex_words(v[2]);
    ASSERT_EQ(in.size(), 12u);
    ASSERT_EQ(seed.size(), 32u);
    std::uint32_t out[8] = {};
    surf(out, in.data(), seed.data());
    EXPECT_EQ(std::vector<std::uint32_t>(out, out + 8), expected) << v[0] << " " << v[1];
  }
}

// Each seed region has its own role; a slip in one region's index must show.
TEST(Surf, EverySeedAndInputWordMatters) {
  const std::uint32_t in[12] = {};
  const std::uint32_t seed[32] = {};
  std::uint32_t base[8];
  surf(base, in, seed);
  for (int i = 0; i < 32; ++i) {
    std::uint32_t s[32] = {};
    s[i] = 1;
    std::uint32_t out[8];
    surf(out, in, s);
    EXPECT_NE(std::vector<std::uint32_t>(out, out + 8),
              std::vector<std::uint32_t>(base, base + 8))
        << "seed word " << i;
  }
  for (int i = 0; i < 12; ++i) {
    std::uint32_t x[12] = {};
    x[i] = 1;
    std::uint32_t out[8];
    surf(out, x, seed);
    EXPECT_NE(std::vector<std::uint32_t>(out, out + 8),
              std::vector<std::uint32_t>(base, base + 8))
        << "input word " << i;
  }
}

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
  const auto output = [](const std::uint32_t* in, const std::uint32_t* seed) {
    std::uint32_t out[8];
    surf(out, in, seed);
    return std::vector<std::uint32_t>(out, out + 8);
  };
  const std::uint32_t zeros[32] = {};
  const auto base = output(zeros, zeros);
  for (int i = 0; i < 32; ++i) {
    std::uint32_t one[32] = {};
    one[i] = 1;
    EXPECT_NE(output(zeros, one), base) << "seed word " << i;
    if (i < 12) {
      EXPECT_NE(output(one, zeros), base) << "input word " << i;
    }
  }
}

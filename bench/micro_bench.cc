// Micro-benchmarks of the cookie engine: one surf call, the counter-sum
// digest of a 64-byte message, and a whole cookie for a 64-byte key.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "cookie/cookie.h"
#include "cookie/pcs.h"
#include "cookie/surf.h"

namespace {

void fill_words(std::uint32_t* w, int n, std::uint32_t start) {
  for (int i = 0; i < n; ++i) w[i] = start + 0x9e3779b9u * static_cast<std::uint32_t>(i);
}

void BM_surf(benchmark::State& state) {
  std::uint32_t in[12], seed[32], out[8];
  fill_words(in, 12, 1);
  fill_words(seed, 32, 2);
  for (auto _ : state) {
    surf(out, in, seed);
    benchmark::DoNotOptimize(out);
    in[0] ^= out[0];
  }
}
BENCHMARK(BM_surf);

void BM_pcs_digest_64_bytes(benchmark::State& state) {
  std::uint32_t seed[32];
  fill_words(seed, 32, 3);
  char message[64];
  for (int i = 0; i < 64; ++i) message[i] = static_cast<char>(i);
  std::uint8_t digest[PCS_DIGEST_LEN];
  for (auto _ : state) {
    pcs_state s;
    pcs_init(&s, seed);
    pcs_add(&s, message, 64);
    pcs_out(&s, digest);
    benchmark::DoNotOptimize(digest);
    message[0] = static_cast<char>(digest[0]);
  }
}
BENCHMARK(BM_pcs_digest_64_bytes);

void BM_cookie_make(benchmark::State& state) {
  char key[64];
  for (int i = 0; i < 64; ++i) key[i] = static_cast<char>(i * 7);
  char cookie[COOKIE_LEN];
  for (auto _ : state) {
    cookie_make(cookie, key, 64, "1797516000", "alice@example.org", "");
    benchmark::DoNotOptimize(cookie);
    key[0] = cookie[0];
  }
}
BENCHMARK(BM_cookie_make);

}  // namespace

BENCHMARK_MAIN();

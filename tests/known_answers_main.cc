// Every known answer of tests/data, without GoogleTest, so that it also runs
// on a cross-built target under emulation. Prints "N passed, N failed".
//   known_answers DATA_DIR
#include <cstdio>
#include <string>

#include "cookie/cookie.h"
#include "cookie/pcs.h"
#include "cookie/surf.h"
#include "tests/vector_file.h"

namespace {

int passed = 0, failed = 0;

void expect(bool ok, const char* file, std::size_t line) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s vector %zu\n", file, line + 1);
  }
}

std::string hex(const std::uint8_t* bytes, int n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < n; ++i) {
    s.push_back(digits[bytes[i] >> 4]);
    s.push_back(digits[bytes[i] & 15]);
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : TOVRIN_TEST_DATA;

  const auto surf_vectors = read_vector_file(dir + "/surf.txt");
  for (std::size_t i = 0; i < surf_vectors.size(); ++i) {
    const auto& v = surf_vectors[i];
    const auto in = hex_words(v[0]), seed = hex_words(v[1]), want = hex_words(v[2]);
    std::uint32_t out[8];
    surf(out, in.data(), seed.data());
    expect(std::vector<std::uint32_t>(out, out + 8) == want, "surf.txt", i);
  }

  const auto pcs_vectors = read_vector_file(dir + "/pcs.txt");
  for (std::size_t i = 0; i < pcs_vectors.size(); ++i) {
    const auto& v = pcs_vectors[i];
    const auto seed = hex_words(v[0]);
    const std::string message = hex_bytes(v[1]);
    pcs_state s;
    pcs_init(&s, seed.data());
    pcs_add(&s, message.data(), static_cast<std::int32_t>(message.size()));
    std::uint8_t digest[PCS_DIGEST_LEN];
    pcs_out(&s, digest);
    expect(hex(digest, PCS_DIGEST_LEN) == v[2], "pcs.txt", i);
  }

  const auto cookie_vectors = read_vector_file(dir + "/cookie.txt");
  for (std::size_t i = 0; i < cookie_vectors.size(); ++i) {
    const auto& v = cookie_vectors[i];
    const std::string key = hex_bytes(v[0]);
    char cookie[COOKIE_LEN];
    cookie_make(cookie, key.data(), static_cast<std::int32_t>(key.size()),
                field_text(v[1]).c_str(), field_text(v[2]).c_str(), field_text(v[3]).c_str());
    expect(std::string(cookie, COOKIE_LEN) == v[4], "cookie.txt", i);
  }

  std::printf("known answers: %zu surf, %zu counter-sum, %zu cookie\n", surf_vectors.size(),
              pcs_vectors.size(), cookie_vectors.size());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

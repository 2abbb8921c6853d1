#include "tools/tag.h"

#include "support/helpers.h"

namespace {

// Looks at every pair whatever came before, so the time taken does not tell
// a forger how many leading letters are right.
bool letters_equal(const char* a, const char* b) {
  unsigned difference = 0;
  for (int i = 0; i < COOKIE_LEN; ++i)
    difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
  return difference == 0;
}

}  // namespace

bool tag_split(const char* tag, uint64_t now, uint64_t* expiry, const char** letters) {
  const char* cursor = tag + num_scan(tag, expiry);
  if (*expiry < now) return false;
  if (*cursor != '.') return false;
  ++cursor;
  if (text_len(cursor) != COOKIE_LEN) return false;
  *letters = cursor;
  return true;
}

bool tag_letters_good(const char* letters, uint64_t expiry,
                      const uint32_t seed[COOKIE_SEED_WORDS], const char* sender) {
  // Derived from the number written afresh, not from the digits as the tag
  // spells them.
  char expiry_text[NUM_DIGITS_MAX + 1];
  expiry_text[num_format(expiry_text, expiry)] = '\0';
  char derived[COOKIE_LEN];
  cookie_derive(derived, seed, expiry_text, sender, "");
  return letters_equal(letters, derived);
}

bool tag_is_good(const char* tag, const char* key, int32_t key_len, const char* sender,
                 uint64_t now) {
  uint64_t expiry = 0;
  const char* letters = nullptr;
  if (!tag_split(tag, now, &expiry, &letters)) return false;
  uint32_t seed[COOKIE_SEED_WORDS];
  cookie_stretch(seed, key, key_len);
  const bool good = tag_letters_good(letters, expiry, seed, sender);
  mem_wipe(seed, sizeof seed);
  return good;
}

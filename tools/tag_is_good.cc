#include "tools/tag.h"

#include "cookie/cookie.h"
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

bool tag_is_good(const char* tag, const char* key, int32_t key_len, const char* sender,
                 uint64_t now) {
  uint64_t expiry = 0;
  const char* cursor = tag + num_scan(tag, &expiry);
  if (expiry < now) return false;
  if (*cursor != '.') return false;
  ++cursor;
  if (text_len(cursor) != COOKIE_LEN) return false;

  // Derived from the number written afresh, not from the digits as the tag
  // spells them.
  char expiry_text[NUM_DIGITS_MAX + 1];
  expiry_text[num_format(expiry_text, expiry)] = '\0';
  char derived[COOKIE_LEN];
  cookie_make(derived, key, key_len, expiry_text, sender, "");
  return letters_equal(cursor, derived);
}

#include "cookie/cookie.h"

#include "cookie/pcs.h"
#include "support/helpers.h"

namespace {

int32_t length_with_nul(const char* text) {
  int32_t n = 0;
  while (text[n] != '\0') ++n;
  return n + 1;
}

}  // namespace

// Four passes over the key; after them seed word i holds byte i of the four
// digests, the first pass's in the top byte.
void cookie_stretch(uint32_t seed[COOKIE_SEED_WORDS], const char* key, int32_t key_len) {
  pcs_state state;
  uint8_t digest[PCS_DIGEST_LEN];
  for (int i = 0; i < COOKIE_SEED_WORDS; ++i) seed[i] = 0;
  for (int pass = 0; pass < 4; ++pass) {
    pcs_init(&state, seed);
    pcs_add(&state, key, key_len);
    pcs_out(&state, digest);
    for (int i = 0; i < COOKIE_SEED_WORDS; ++i) seed[i] = (seed[i] << 8) + digest[i];
  }
  // The state and digests are as good as the key.
  mem_wipe(&state, sizeof state);
  mem_wipe(digest, sizeof digest);
}

void cookie_derive(char cookie[COOKIE_LEN], const uint32_t seed[COOKIE_SEED_WORDS],
                   const char* expiry_text, const char* sender, const char* discriminator) {
  pcs_state state;
  uint8_t digest[PCS_DIGEST_LEN];
  // The NUL after each text is hashed, so moving a byte from the end of the
  // expiry to the start of the sender changes the message.
  pcs_init(&state, seed);
  pcs_add(&state, expiry_text, length_with_nul(expiry_text));
  pcs_add(&state, sender, length_with_nul(sender));
  pcs_add(&state, discriminator, 1);
  pcs_out(&state, digest);

  for (int i = 0; i < COOKIE_LEN; ++i)
    cookie[i] = static_cast<char>('a' + (digest[i] & 0x0f));

  mem_wipe(&state, sizeof state);
  mem_wipe(digest, sizeof digest);
}

void cookie_make(char cookie[COOKIE_LEN], const char* key, int32_t key_len,
                 const char* expiry_text, const char* sender,
                 const char* discriminator) {
  uint32_t seed[COOKIE_SEED_WORDS];
  cookie_stretch(seed, key, key_len);
  cookie_derive(cookie, seed, expiry_text, sender, discriminator);
  mem_wipe(seed, sizeof seed);
}

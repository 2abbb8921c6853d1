#include "cookie/cookie.h"

#include "cookie/pcs.h"

namespace {

int32_t length_with_nul(const char* text) {
  int32_t n = 0;
  while (text[n] != '\0') ++n;
  return n + 1;
}

// The seed and digests are as good as the key; clear them before returning.
// The volatile stores keep the compiler from dropping the clearing as dead.
void wipe(void* p, unsigned n) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(p);
  for (unsigned i = 0; i < n; ++i) bytes[i] = 0;
}

}  // namespace

void cookie_make(char cookie[COOKIE_LEN], const char* key, int32_t key_len,
                 const char* expiry_text, const char* sender,
                 const char* discriminator) {
  uint32_t seed[32] = {};
  pcs_state state;
  uint8_t digest[PCS_DIGEST_LEN];

  // Four passes over the key; after them seed word i holds byte i of the
  // four digests, the first pass's in the top byte.
  for (int pass = 0; pass < 4; ++pass) {
    pcs_init(&state, seed);
    pcs_add(&state, key, key_len);
    pcs_out(&state, digest);
    for (int i = 0; i < 32; ++i) seed[i] = (seed[i] << 8) + digest[i];
  }

  // The NUL after each text is hashed, so moving a byte from the end of the
  // expiry to the start of the sender changes the message.
  pcs_init(&state, seed);
  pcs_add(&state, expiry_text, length_with_nul(expiry_text));
  pcs_add(&state, sender, length_with_nul(sender));
  pcs_add(&state, discriminator, 1);
  pcs_out(&state, digest);

  for (int i = 0; i < COOKIE_LEN; ++i)
    cookie[i] = static_cast<char>('a' + (digest[i] & 0x0f));

  wipe(seed, sizeof seed);
  wipe(&state, sizeof state);
  wipe(digest, sizeof digest);
}

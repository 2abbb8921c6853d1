#include "tools/judge.h"

#include <errno.h>
#include <limits.h>

#include "support/fatal.h"
#include "support/helpers.h"
#include "tools/tag.h"

namespace {

constexpr verdict REFUSED = {EXIT_REJECT, "cookie doesn't check out", 0};

// path followed by ".old", or false when that does not fit in PATH_MAX.
bool old_path_of(char old_path[PATH_MAX], const char* path) {
  const uint32_t len = text_len(path);
  if (len + sizeof ".old" > PATH_MAX) return false;
  mem_copy(old_path, len, path);
  mem_copy(old_path + len, sizeof ".old", ".old");
  return true;
}

bool accepts(key_file* file, bool well_formed, const char* letters, uint64_t expiry,
             const char* sender) {
  return well_formed && tag_letters_good(letters, expiry, key_file_seed(file), sender);
}

}  // namespace

verdict judge_load_secret(const char* secret_path, judge_keys* keys) {
  return key_file_load(&keys->secret, secret_path, key_role::secret, 0);
}

verdict judge_tag(const char* secret_path, judge_keys* keys, const char* tag,
                  const char* sender, uint64_t now) {
  uint64_t expiry = 0;
  const char* letters = nullptr;
  const bool well_formed = tag_split(tag, now, &expiry, &letters);
  if (accepts(&keys->secret, well_formed, letters, expiry, sender)) return VERDICT_GOOD;

  // Every refusal looks at secret.old, even of a tag no key could accept,
  // so that a secret.old that cannot be trusted is reported at once.
  char old_path[PATH_MAX];
  if (!old_path_of(old_path, secret_path))
    return {EXIT_IOFAIL, "unable to read secret.old: ", ENAMETOOLONG};
  const verdict v = key_file_load(&keys->old, old_path, key_role::old, keys->secret.owner);
  if (v.status != 0) return v;
  if (keys->old.key_len == 0) return REFUSED;
  if (accepts(&keys->old, well_formed, letters, expiry, sender)) return VERDICT_GOOD;
  return REFUSED;
}

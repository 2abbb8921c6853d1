// A key file the two-key judgement trusts: a regular file that neither
// group nor others can write, as fstat of the opened descriptor shows it,
// so that nobody but its owner can choose the key.
#pragma once

#include <stdint.h>
#include <sys/types.h>

#include "cookie/cookie.h"
#include "tools/secret.h"
#include "tools/verdict.h"

// One key file as last read, with its stretched seed: a caller that judges
// many tags stretches the key again only when the file's bytes change.
struct key_file {
  char key[SECRET_MAX];
  int32_t key_len;  // 0 until loaded; 0 too for a secret.old that does not exist
  uid_t owner;
  uint32_t seed[COOKIE_SEED_WORDS];
  bool seeded;  // seed belongs to key
};

// The secret follows symbolic links, as tovrin-check does. secret.old is
// optional and is never a symbolic link: one planted beside the secret
// could name any file its owner can read. It must have owner's uid.
enum class key_role { secret, old };

// Reads the file at path into file. Status 0 when the key is loaded (or,
// for secret.old, when there is no such file: key_len 0); else EXIT_IOFAIL
// with the fault, naming the file by its role.
verdict key_file_load(key_file* file, const char* path, key_role role, uid_t owner);

// The seed for file's key, stretched on first use.
const uint32_t* key_file_seed(key_file* file);

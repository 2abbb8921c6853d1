// The judgement with two keys: the secret, and secret.old beside it, which
// tovrin-secret-replace keeps until it is retired, so tags made before a
// replacement still check. Shared by tovrin-check-rotating and
// tovrin-policy.
#pragma once

#include <stdint.h>

#include "tools/key_file.h"
#include "tools/verdict.h"

struct judge_keys {
  key_file secret;
  key_file old;
};

// Loads the secret at secret_path into keys->secret: 0, or EXIT_IOFAIL when
// it cannot be read, is empty, or is not a file only its owner can write.
verdict judge_load_secret(const char* secret_path, judge_keys* keys);

// With the secret loaded: good when the secret accepts the tag for sender
// at now. Only a tag the secret refuses is judged with secret_path.old: no
// such file refuses it (EXIT_REJECT), one that is not to be trusted makes
// it EXIT_IOFAIL, and otherwise its key decides.
verdict judge_tag(const char* secret_path, judge_keys* keys, const char* tag,
                  const char* sender, uint64_t now);

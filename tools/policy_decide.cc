#include "support/fatal.h"
#include "support/helpers.h"
#include "tools/policy.h"

namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of prefix when the first len bytes of text begin with it, ASCII
// case ignored; 0 otherwise.
uint32_t prefix_in(const char* text, uint32_t len, const char* prefix) {
  uint32_t i = 0;
  for (; prefix[i] != '\0'; ++i)
    if (i == len || ascii_lower(text[i]) != ascii_lower(prefix[i])) return 0;
  return i;
}

// The local part: everything before the last @, or the whole address.
uint32_t local_part_len(const char* address, uint32_t len) {
  for (uint32_t i = len; i > 0; --i)
    if (address[i - 1] == '@') return i - 1;
  return len;
}

// Length of the first prefix that begins the local part, or 0.
uint32_t matching_prefix(const char* local, uint32_t len, const char* const* prefixes,
                         int count) {
  for (int k = 0; k < count; ++k) {
    const uint32_t n = prefix_in(local, len, prefixes[k]);
    if (n != 0) return n;
  }
  return 0;
}

constexpr policy_answer LET_THROUGH = {policy_action::dunno, VERDICT_GOOD};

}  // namespace

const char* policy_reply(policy_action action) {
  switch (action) {
    case policy_action::refuse:
      return "action=550 5.7.1 reply tag refused\n\n";
    case policy_action::defer:
      return "action=451 4.3.0 reply tag cannot be checked now\n\n";
    case policy_action::dunno:
      break;
  }
  return "action=DUNNO\n\n";
}

policy_answer policy_decide(policy_request* r, const char* const* prefixes, int count,
                            policy_judge* judge, void* context) {
  const uint32_t local_len = local_part_len(r->recipient, r->recipient_len);
  const uint32_t prefix_len = matching_prefix(r->recipient, local_len, prefixes, count);
  if (r->malformed != nullptr) {
    if (prefix_len == 0) return LET_THROUGH;
    return {policy_action::refuse, {EXIT_REJECT, r->malformed, 0}};
  }
  if (!r->at_rcpt || !r->has_recipient || prefix_len == 0) return LET_THROUGH;
  if (!r->has_sender) return {policy_action::refuse, {EXIT_REJECT, "request without a sender", 0}};

  // The tag ends where the local part does: cut there, in place.
  char* tag = r->recipient + prefix_len;
  const char at = r->recipient[local_len];
  r->recipient[local_len] = '\0';
  const verdict v = judge(context, tag, r->sender);
  r->recipient[local_len] = at;

  if (v.status == 0) return LET_THROUGH;
  if (v.status == EXIT_REJECT) return {policy_action::refuse, v};
  return {policy_action::defer, v};
}

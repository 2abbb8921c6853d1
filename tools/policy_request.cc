#include "support/helpers.h"
#include "tools/policy.h"

namespace {

using field = policy_request::field;

bool name_is(const policy_request* r, const char* name) {
  return r->name_len == text_len(name) && mem_diff(r->name, r->name_len, name) == 0;
}

void mark_malformed(policy_request* r, const char* why) {
  if (r->malformed == nullptr) r->malformed = why;
}

// A sender or recipient: one each per request.
void begin_once(policy_request* r, bool* seen, field value, const char* again) {
  if (*seen) {
    mark_malformed(r, again);
    r->in = field::skipped;
    return;
  }
  *seen = true;
  r->in = value;
}

// The name is complete: pick where the value goes.
void begin_value(policy_request* r) {
  if (name_is(r, "sender")) {
    begin_once(r, &r->has_sender, field::sender, "request with a second sender");
  } else if (name_is(r, "recipient")) {
    begin_once(r, &r->has_recipient, field::recipient, "request with a second recipient");
  } else if (name_is(r, "protocol_state")) {
    r->state_len = 0;
    r->in = field::state;
  } else {
    r->in = field::skipped;
  }
}

void keep(char* to, uint32_t* len, char byte, policy_request* r, const char* too_long) {
  if (*len < POLICY_VALUE_MAX)
    to[(*len)++] = byte;
  else
    mark_malformed(r, too_long);
}

void end_line(policy_request* r) {
  if (r->in == field::name) mark_malformed(r, "request line without =");
  if (r->in == field::state)
    r->at_rcpt = r->state_len == 4 && mem_diff(r->state, 4, "RCPT") == 0;
  r->in = field::name;
  r->name_len = 0;
  r->line_empty = true;
}

void take(policy_request* r, char byte) {
  r->line_empty = false;
  switch (r->in) {
    case field::name:
      if (byte == '=') {
        begin_value(r);
      } else if (r->name_len < sizeof r->name) {
        r->name[r->name_len++] = byte;
      } else {
        r->name_len = sizeof r->name + 1;  // longer than any name looked for
      }
      break;
    case field::sender:
      keep(r->sender, &r->sender_len, byte, r, "sender longer than 2048 bytes");
      break;
    case field::recipient:
      keep(r->recipient, &r->recipient_len, byte, r, "recipient longer than 2048 bytes");
      break;
    case field::state:
      // Counts one past the storage at most: long enough to be no state.
      if (r->state_len < sizeof r->state) r->state[r->state_len] = byte;
      if (r->state_len <= sizeof r->state) ++r->state_len;
      break;
    case field::skipped:
      break;
  }
}

}  // namespace

void policy_request_start(policy_request* r) {
  r->sender_len = 0;
  r->recipient_len = 0;
  r->has_sender = false;
  r->has_recipient = false;
  r->at_rcpt = false;
  r->malformed = nullptr;
  r->complete = false;
  r->in = field::name;
  r->line_empty = true;
  r->name_len = 0;
  r->state_len = 0;
  r->sender[0] = '\0';
  r->recipient[0] = '\0';
}

uint32_t policy_request_read(policy_request* r, const char* bytes, uint32_t len) {
  for (uint32_t i = 0; i < len; ++i) {
    const char byte = bytes[i];
    if (byte == '\n') {
      if (r->line_empty) {
        r->complete = true;
        r->sender[r->sender_len] = '\0';
        r->recipient[r->recipient_len] = '\0';
        return i + 1;
      }
      end_line(r);
    } else if (byte == '\0') {
      // A text cannot hold it; the request is not what it claims to be.
      r->line_empty = false;
      mark_malformed(r, "request holds a NUL byte");
    } else {
      take(r, byte);
    }
  }
  return len;
}

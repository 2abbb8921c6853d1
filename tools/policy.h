// Postfix's policy delegation protocol, as tovrin-policy speaks it: a
// request is name=value lines ended by an empty line, the reply one
// action=... line and an empty line. The reader and the decision are pure
// functions over bounded storage; the program does the I/O.
#pragma once

#include <stdint.h>

#include "tools/verdict.h"

// Longest sender or recipient handled; a longer one makes the request
// malformed.
inline constexpr uint32_t POLICY_VALUE_MAX = 2048;

// One request, read a piece at a time. Attributes other than sender,
// recipient and protocol_state are skipped whatever their length.
struct policy_request {
  char sender[POLICY_VALUE_MAX + 1];
  char recipient[POLICY_VALUE_MAX + 1];  // as far as it was read
  uint32_t sender_len;
  uint32_t recipient_len;
  bool has_sender;
  bool has_recipient;
  bool at_rcpt;           // protocol_state=RCPT
  const char* malformed;  // why the request is malformed, or null
  bool complete;          // the empty line that ends it has been read

  // The line being read.
  enum class field : uint8_t { name, skipped, sender, recipient, state } in;
  bool line_empty;
  uint32_t name_len;  // bytes of the name so far
  char name[16];      // the name, while it may still be one of ours
  uint32_t state_len;
  char state[8];
};

// Makes r ready for the next request.
void policy_request_start(policy_request* r);

// Reads bytes into r and returns how many it consumed: all of them, or
// fewer when the request ended (r->complete) before the last byte. The
// texts are NUL-terminated once the request is complete.
uint32_t policy_request_read(policy_request* r, const char* bytes, uint32_t len);

struct iobuf;
// Reads the next whole request from in into r: 1 when it is complete, 0 at
// end of input (inside a request too), -1 when reading failed.
int policy_request_next(iobuf* in, policy_request* r);

enum class policy_action : uint8_t { dunno, refuse, defer };

// The reply line for an action, with the empty line that ends the reply.
const char* policy_reply(policy_action action);

struct policy_answer {
  policy_action action;
  verdict why;  // for refuse and defer: the reason to log
};

// Judges a tag for a sender: status 0 good, EXIT_REJECT refused,
// EXIT_IOFAIL when it cannot be judged now.
using policy_judge = verdict(void* context, const char* tag, const char* sender);

// The answer to a complete request. A recipient is tagged when the request
// is at RCPT and the recipient's local part begins with one of the count
// prefixes, ASCII case ignored (the first that matches wins); the tag is
// the rest of the local part, up to the last @, and judge decides it. Any
// other request is let through (dunno), except a malformed one whose
// recipient, as far as it was read, begins with a prefix: that is refused.
policy_answer policy_decide(policy_request* r, const char* const* prefixes, int count,
                            policy_judge* judge, void* context);

// Any bytes as policy requests, read whole and in two pieces: the reader
// never overruns, both readings agree, and with a judge that refuses every
// tag the answer is never DUNNO for a recipient whose local part begins
// with a prefix, unless the request is well formed and not at RCPT.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/fatal.h"
#include "tools/policy.h"

namespace {

const char* const prefixes[] = {"reply-", "b+"};

verdict refuse_all(void*, const char*, const char*) { return {EXIT_REJECT, "refused", 0}; }

policy_request whole, split;

bool begins_with_prefix(const policy_request& r) {
  std::string local(r.recipient, r.recipient_len);
  local = local.substr(0, local.rfind('@'));
  for (auto& c : local) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const char* p : prefixes)
    if (local.compare(0, std::strlen(p), p) == 0) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* bytes = reinterpret_cast<const char*>(data) + 1;
  const auto len = static_cast<std::uint32_t>(size - 1);
  const std::uint32_t cut = len == 0 ? 0 : data[0] % (len + 1);

  policy_request_start(&whole);
  const std::uint32_t used = policy_request_read(&whole, bytes, len);
  policy_request_start(&split);
  std::uint32_t split_used = policy_request_read(&split, bytes, cut);
  if (!split.complete) split_used += policy_request_read(&split, bytes + cut, len - cut);
  if (used != split_used || whole.complete != split.complete) std::abort();
  if (whole.sender_len > POLICY_VALUE_MAX || whole.recipient_len > POLICY_VALUE_MAX) std::abort();
  if (!whole.complete) return 0;
  if (std::string(whole.recipient) != std::string(split.recipient) ||
      std::string(whole.sender) != std::string(split.sender) ||
      whole.at_rcpt != split.at_rcpt || (whole.malformed == nullptr) != (split.malformed == nullptr))
    std::abort();

  const bool tagged = begins_with_prefix(whole);
  const policy_answer a = policy_decide(&whole, prefixes, 2, refuse_all, nullptr);
  if (a.action == policy_action::dunno && tagged && (whole.malformed != nullptr || whole.at_rcpt))
    std::abort();
  return 0;
}

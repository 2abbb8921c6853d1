#include "tools/policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fatal.h"

namespace {

const char* const prefixes[] = {"reply-", "bounce+"};

// A judge that records what it was asked and answers as told.
struct judge_double {
  verdict answer = VERDICT_GOOD;
  std::vector<std::pair<std::string, std::string>> asked;  // tag, sender
};

verdict judge_by_double(void* context, const char* tag, const char* sender) {
  auto* d = static_cast<judge_double*>(context);
  d->asked.emplace_back(tag, sender);
  return d->answer;
}

struct outcome {
  policy_action action;
  std::string why;
  std::vector<std::pair<std::string, std::string>> asked;
  uint32_t consumed;
};

// Reads text in pieces of the given size (0: all at once) and decides.
outcome decide(const std::string& text, verdict answer = VERDICT_GOOD, std::size_t piece = 0) {
  static policy_request r;
  policy_request_start(&r);
  uint32_t consumed = 0;
  const std::size_t step = piece == 0 ? text.size() : piece;
  for (std::size_t at = 0; at < text.size() && !r.complete; at += step) {
    const std::size_t n = std::min(step, text.size() - at);
    consumed += policy_request_read(&r, text.data() + at, static_cast<uint32_t>(n));
  }
  judge_double judge;
  judge.answer = answer;
  if (!r.complete) return {policy_action::dunno, "incomplete", {}, consumed};
  const policy_answer a = policy_decide(&r, prefixes, 2, judge_by_double, &judge);
  return {a.action, a.why.message == nullptr ? "" : a.why.message, judge.asked, consumed};
}

std::string rcpt(const std::string& recipient, const std::string& sender = "alice@example.org",
                 const std::string& extra = "") {
  return "request=smtpd_access_policy\nprotocol_state=RCPT\nprotocol_name=ESMTP\n"
         "client_address=192.0.2.1\nsender=" + sender + "\nrecipient=" + recipient + "\n" +
         extra + "\n";
}

}  // namespace

TEST(PolicyRequest, JudgesTheTagOfATaggedRecipientForItsSender) {
  struct tagged_case {
    std::string request;
    std::string tag, sender;
  };
  const tagged_case cases[] = {
      {rcpt("reply-1.abc@example.org"), "1.abc", "alice@example.org"},
      // ASCII case of the prefix is ignored; the tag is kept as it came.
      {rcpt("REPLY-1.AbC@example.org"), "1.AbC", "alice@example.org"},
      {rcpt("bounce+x@example.org"), "x", "alice@example.org"},
      // Up to the last @: the rest of the local part, whatever it holds.
      {rcpt("reply-a@b@example.org"), "a@b", "alice@example.org"},
      {rcpt("reply-nodomain"), "nodomain", "alice@example.org"},
      {rcpt("reply-@example.org"), "", "alice@example.org"},
      // The null sender, and a sender Postfix passes unquoted.
      {rcpt("reply-1.abc@example.org", ""), "1.abc", ""},
      {rcpt("reply-1.abc@example.org", "john doe@example.org"), "1.abc", "john doe@example.org"},
      // Order of attributes does not matter.
      {"recipient=reply-t@x\nsender=s@x\nprotocol_state=RCPT\n\n", "t", "s@x"},
  };
  for (const auto& c : cases) {
    for (const verdict answer : {VERDICT_GOOD, verdict{EXIT_REJECT, "no", 0},
                                 verdict{EXIT_IOFAIL, "later", 0}}) {
      const auto o = decide(c.request, answer);
      ASSERT_EQ(o.asked.size(), 1u) << c.request;
      EXPECT_EQ(o.asked[0].first, c.tag);
      EXPECT_EQ(o.asked[0].second, c.sender);
      const policy_action want = answer.status == 0             ? policy_action::dunno
                                 : answer.status == EXIT_REJECT ? policy_action::refuse
                                                                : policy_action::defer;
      EXPECT_EQ(o.action, want) << c.request;
    }
  }
}

TEST(PolicyRequest, LetsUntaggedRequestsThroughUnjudged) {
  const std::string untagged[] = {
      rcpt("alice@example.org"),
      rcpt("replyto-x@example.org"),
      rcpt("reply@example.org"),
      // The prefix must begin the local part, not the domain.
      rcpt("x@reply-example.org"),
      "protocol_state=DATA\nsender=a@x\nrecipient=reply-t@x\n\n",
      "protocol_state=RCPTX\nsender=a@x\nrecipient=reply-t@x\n\n",
      "sender=a@x\nrecipient=reply-t@x\n\n",
      "protocol_state=RCPT\nsender=a@x\n\n",
      "\n",
  };
  for (const auto& request : untagged) {
    const auto o = decide(request, {EXIT_REJECT, "no", 0});
    EXPECT_EQ(o.action, policy_action::dunno) << request;
    EXPECT_TRUE(o.asked.empty()) << request;
  }
}

TEST(PolicyRequest, MalformedRequestsAreRefusedOnlyForTaggedRecipients) {
  const std::string long_value(2049, 'x');
  struct malformed_case {
    std::string extra;  // added to a request for the recipient
    std::string why;
  };
  const malformed_case cases[] = {
      {std::string("helo_name=a\0b\n", 14), "request holds a NUL byte"},
      {"just a line\n", "request line without ="},
      {"sender=again@x\n", "request with a second sender"},
      {"recipient=reply-other@x\n", "request with a second recipient"},
      {std::string("x=\0\n", 4), "request holds a NUL byte"},
  };
  for (const auto& c : cases) {
    for (const std::string recipient : {"reply-1.abc@x", "alice@x"}) {
      const auto o = decide(rcpt(recipient, "a@x", c.extra), VERDICT_GOOD);
      const bool tagged = recipient[0] == 'r';
      EXPECT_EQ(o.action, tagged ? policy_action::refuse : policy_action::dunno) << c.why;
      EXPECT_EQ(o.why, tagged ? c.why : "") << c.why;
      EXPECT_TRUE(o.asked.empty()) << c.why;
    }
  }
  // Too long: the recipient as far as it was read decides.
  EXPECT_EQ(decide(rcpt("reply-" + long_value)).why, "recipient longer than 2048 bytes");
  EXPECT_EQ(decide(rcpt(long_value)).action, policy_action::dunno);
  EXPECT_EQ(decide(rcpt("reply-1.abc@x", long_value)).why, "sender longer than 2048 bytes");
  EXPECT_EQ(decide(rcpt("alice@x", long_value)).action, policy_action::dunno);
  // A tagged recipient with no sender at all cannot be judged for one.
  EXPECT_EQ(decide("protocol_state=RCPT\nrecipient=reply-1.abc@x\n\n").why,
            "request without a sender");
}

TEST(PolicyRequest, HandlesValuesUpToTheLimitExactly) {
  const std::string sender = std::string(2048 - 2, 's') + "@x";
  const std::string recipient = "reply-" + std::string(2048 - 8, 't') + "@x";
  const auto o = decide(rcpt(recipient, sender));
  ASSERT_EQ(o.asked.size(), 1u);
  EXPECT_EQ(o.asked[0].first, std::string(2048 - 8, 't'));
  EXPECT_EQ(o.asked[0].second, sender);
}

// Unused attributes are skipped whatever their length and bytes; the
// request is read the same in any pieces, and reading stops right after
// the empty line that ends it.
TEST(PolicyRequest, SkipsUnusedAttributesAndReadsTheSameInAnyPieces) {
  std::string odd(100000, 'v');
  for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<char>(1 + i % 255);
  for (char& c : odd)
    if (c == '\n') c = '=';
  const std::string request = rcpt("reply-1.abc@x", "a@x",
                                   "ccert_subject=" + odd + "\n" + std::string(5000, 'n') +
                                       "=1\nsender_x=y\nrecipientx=z\n=\n");
  const std::string next = "protocol_state=RCPT\n\n";
  for (std::size_t piece : {0, 1, 2, 7, 4096}) {
    const auto o = decide(request + next, VERDICT_GOOD, piece);
    EXPECT_EQ(o.consumed, request.size()) << piece;
    ASSERT_EQ(o.asked.size(), 1u) << piece;
    EXPECT_EQ(o.asked[0].first, "1.abc");
    EXPECT_EQ(o.asked[0].second, "a@x");
  }
  EXPECT_EQ(decide(request.substr(0, request.size() - 1)).why, "incomplete");
}

TEST(PolicyRequest, RepliesExactly) {
  EXPECT_STREQ(policy_reply(policy_action::dunno), "action=DUNNO\n\n");
  EXPECT_STREQ(policy_reply(policy_action::refuse), "action=550 5.7.1 reply tag refused\n\n");
  EXPECT_STREQ(policy_reply(policy_action::defer),
               "action=451 4.3.0 reply tag cannot be checked now\n\n");
}

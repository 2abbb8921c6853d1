// tovrin-policy secret prefix...
//
// A Postfix SMTP access policy service. spawn(8) runs it once per
// connection with standard input, output and error all joined to the
// socket; it answers each request in turn and exits 0 at end of input.
// A recipient whose local part begins with one of the prefixes carries a
// tag, judged for the request's sender with the secret and, for a tag the
// secret refuses, secret.old, as tovrin-check-rotating judges it:
//   good, or not tagged            action=DUNNO
//   refused                        action=550 5.7.1 reply tag refused
//   cannot be judged now           action=451 4.3.0 reply tag cannot be checked now
// It never writes to standard error, which is the peer too: why it
// refused or deferred goes to the system log, facility mail.

#include <syslog.h>
#include <unistd.h>

#include "support/fatal.h"
#include "support/iobuf.h"
#include "support/log.h"
#include "tools/clock.h"
#include "tools/judge.h"
#include "tools/policy.h"
#include "tools/run_start.h"

namespace {

constexpr const char* IDENT = "tovrin-policy";
// Sender and recipient are logged up to this many bytes each.
constexpr uint32_t LOGGED_MAX = 256;

char input_storage[4096];
// The keys stay between requests, so a key is stretched again only when
// the secret's bytes change; the file itself is read for every request.
constinit judge_keys keys = {};
constinit policy_request request = {};

verdict judge_now(void* secret_path, const char* tag, const char* sender) {
  const char* secret = static_cast<const char*>(secret_path);
  const int64_t now = clock_now();
  if (now < 0) return {EXIT_IOFAIL, "clock is before 1970", 0};
  const verdict v = judge_load_secret(secret, &keys);
  if (v.status != 0) return v;
  return judge_tag(secret, &keys, tag, sender, static_cast<uint64_t>(now));
}

void log_answer(const policy_request& r, const policy_answer& a) {
  const bool refused = a.action == policy_action::refuse;
  log_line line;
  log_start(&line, LOG_MAIL | (refused ? LOG_NOTICE : LOG_ERR), IDENT);
  log_add(&line, refused ? "refused <" : "deferred <");
  log_add_quoted(&line, r.recipient, r.recipient_len, LOGGED_MAX);
  log_add(&line, "> from <");
  log_add_quoted(&line, r.sender, r.sender_len, LOGGED_MAX);
  log_add(&line, ">: ");
  log_add(&line, a.why.message);
  if (a.why.error != 0) log_add(&line, sys_errtext(a.why.error));
  log_send(&line);
}

// Postfix answers the client 451 4.3.5 when the service ends without a
// reply: mail waits while the administrator mends the configuration.
[[noreturn]] void usage() {
  log_line line;
  log_start(&line, LOG_MAIL | LOG_ERR, IDENT);
  log_add(&line, "usage: tovrin-policy secret prefix...");
  log_send(&line);
  _exit(EXIT_REJECT);
}

}  // namespace

int main(int argc, char** argv) {
  run_start();
  if (argc < 3) usage();
  for (int i = 2; i < argc; ++i)
    if (argv[i][0] == '\0') usage();

  iobuf in;
  iobuf_init(&in, fd_read, 0, input_storage, sizeof input_storage);
  for (;;) {
    const int got = policy_request_next(&in, &request);
    // End of input, inside a request or between two: no reply.
    if (got == 0) return 0;
    if (got < 0) return EXIT_IOFAIL;
    const policy_answer answer = policy_decide(&request, argv + 2, argc - 2, judge_now, argv[1]);
    if (answer.action != policy_action::dunno) log_answer(request, answer);
    if (iobuf_puts(&iobuf_out, policy_reply(answer.action)) < 0 || iobuf_flush(&iobuf_out) < 0)
      return EXIT_IOFAIL;
  }
}

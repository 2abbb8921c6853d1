#!/usr/bin/env bash
# Mail for reply-<tag>@tovrin.test through a real Postfix, Debian's package,
# started and stopped by this test with its own configuration, queue and log
# and no network listener. Mail goes in with sendmail -f; each outcome is
# read from Postfix's log and the Maildirs, waiting with deadlines. Postfix
# runs "|/usr/bin/procmail -p" from ~reply/.forward with the recipe from
# examples/, as the README and tovrin-check(1) tell an administrator to.
# Senders are local addresses with no user of their own: their mail, the
# bounces among it, lands with the user catchall (luser_relay).
# Then a load: good and forged tags while the secret is replaced.
# Usage: postfix_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(realpath "$1") src=$(realpath "$2")
[ "$(id -u)" -eq 0 ] || { echo "postfix_test: needs root, to start Postfix and add users" >&2; exit 1; }
command -v postfix >/dev/null || { echo "postfix_test: Postfix is not installed" >&2; exit 1; }
# shellcheck source=lib.sh
source "$src/tests/mta/lib.sh"
# shellcheck source=postfix_lib.sh
source "$src/tests/mta/postfix_lib.sh"


# The command from the README and tovrin-check(1) that widens
# command_expansion_filter, so that SENDER keeps every byte of the sender.
read -r widen_filter <<'COMMAND'
postconf -e "command_expansion_filter = $(postconf -dh command_expansion_filter)#&'*?^\`{|}~\$\$$(printf "$(printf '\\%o' $(seq 128 255))")"
COMMAND

# Everything Postfix needs to run out of the scratch tree, and no inet
# service: nothing listens on the network.
configure_postfix() {
  mkdir -p "$etc" "$scratch/spool" "$scratch/lib"
  chown postfix "$scratch/lib"
  cat >"$etc/master.cf" <<'CF'
pickup    unix  n       -       n       60      1       pickup
cleanup   unix  n       -       n       -       0       cleanup
qmgr      unix  n       -       n       300     1       qmgr
rewrite   unix  -       -       n       -       -       trivial-rewrite
bounce    unix  -       -       n       -       0       bounce
defer     unix  -       -       n       -       0       bounce
trace     unix  -       -       n       -       0       bounce
verify    unix  -       -       n       -       1       verify
flush     unix  n       -       n       1000?   0       flush
proxymap  unix  -       -       n       -       -       proxymap
showq     unix  n       -       n       -       -       showq
error     unix  -       -       n       -       -       error
retry     unix  -       -       n       -       -       error
discard   unix  -       -       n       -       -       discard
local     unix  -       n       n       -       -       local
anvil     unix  -       -       n       -       1       anvil
scache    unix  -       -       n       -       1       scache
postlog   unix-dgram n  -       n       -       1       postlogd
CF
  cat >"$etc/main.cf" <<CF
compatibility_level = 3.6
queue_directory = $scratch/spool
data_directory = $scratch/lib
maillog_file = $log
maillog_file_prefixes = $scratch
myhostname = mail.$domain
mydomain = $domain
myorigin = $domain
mydestination = $domain
inet_interfaces = loopback-only
inet_protocols = ipv4
alias_maps =
alias_database =
luser_relay = catchall@$domain
home_mailbox = Maildir/
# Retry deferred mail soon, so the flush below is the only wait.
queue_run_delay = 1s
minimal_backoff_time = 1s
maximal_backoff_time = 2s
# What the README asks of an administrator:
recipient_delimiter = +-
CF
}

send() { message "$3" | /usr/sbin/sendmail -f "$1" -- "$2"; }

qid_of() { sed -n "s/.* \([0-9A-F]\{6,\}\): message-id=<$1@$domain>.*/\1/p" "$log" | tail -n 1; }
status_of() {
  local q
  q=$(qid_of "$1")
  [ -n "$q" ] && sed -n "s/.* $q: to=<.*, status=\([a-z]*\) .*/\1/p" "$log" | tail -n 1
}
# The outcome is final once Postfix removed the message from its queue; a
# deferral is final for now.
has_status() {
  local q
  q=$(qid_of "$1")
  [ -n "$q" ] || return 1
  [ "$(status_of "$1")" = "$2" ] || return 1
  [ "$2" = deferred ] || grep -q " $q: removed" "$log"
}
log_of() { grep " $(qid_of "$1"): " "$log"; }
notices_of() { grep -c " $(qid_of "$1"): .*non-delivery notification" "$log"; }


install_tovrin
configure_postfix
echo "Postfix $(postconf -dh mail_version), procmail -p, the recipe from examples/"
reply_user_add
user_add catchall
catchall=$scratch/home/catchall/Maildir
postfix_start

alice=alice@$domain
tag=$(tag_for "$alice")
at=@$domain
expect "good tag" "$alice" "reply-$tag$at" sent 1 ""
sent_id=$last_id
expect "another sender" "mallory$at" "reply-$tag$at" bounced 0 "$catchall"
bounced_id=$last_id
verdict "another sender: the bounce carries the checker's line" \
  "$(count_saying "$catchall" "$bounced_id" "tovrin-check: fatal: cookie doesn't check out")" 1
expect "changed letter" "$alice" "reply-$(with_other_letter "$tag")$at" bounced 0 "$catchall"
expect "upper-cased letter" "$alice" "reply-$(with_upper_letter "$tag")$at" bounced 0 "$catchall"
# 2^64 - 1 seconds wrap to the second before now.
expect "expired" "$alice" "reply-$(tag_for "$alice" 18446744073709551615)$at" bounced 0 "$catchall"
expect "no tag" "$alice" "reply$at" bounced 0 "$catchall"
expect "null sender, someone else's tag" '<>' "reply-$tag$at" bounced 0 ""
expect "null sender, tag for the null sender" '<>' "reply-$(tag_for '')$at" sent 1 ""

# Without -p procmail clears its environment, SENDER with it: the checker
# refuses even a good tag.
printf '"|/usr/bin/procmail"\n' >"$scratch/home/reply/.forward"
expect "procmail without -p, good tag" "$alice" "reply-$tag$at" bounced 0 "$catchall"
verdict "procmail without -p: the bounce says" \
  "$(count_saying "$catchall" "$last_id" 'tovrin-check: fatal: $SENDER is not set') line" "1 line"
printf '"|/usr/bin/procmail -p"\n' >"$scratch/home/reply/.forward"

flush_queue() { postqueue -f; }
expect_deferrals sent
deferred_id=$last_id
expect_groups_at_delivery sent
verdict "secret missing: the log carries the checker's line" \
  "$(log_of "$deferred_id" | grep -c 'status=deferred.*tovrin-check: fatal: unable to read secret: file does not exist')" 1

# Postfix passes SENDER through command_expansion_filter; until the README's
# line widens it, a sender with other bytes arrives changed and its tag fails.
odd="o'brien&j$(printf '\303\266')rg#1@$domain"
odd_tag=$(tag_for "$odd")
expect "sender o'brien&jörg#1, default filter" "$odd" "reply-$odd_tag$at" bounced 0 "$catchall"
eval "$widen_filter"
postfix_reload
expect "sender o'brien&jörg#1, widened filter" "$odd" "reply-$odd_tag$at" sent 1 ""

# The checker's own 111, passed straight to Postfix, bounces the mail.
direct_user_add
expect "checker's status 111 passed straight through" "$alice" "direct$at" bounced 0 "$catchall"

echo "Log lines, delivered:"
log_of "$sent_id" | sed 's/^/    /'
echo "Log lines, bounced:"
log_of "$bounced_id" | sed 's/^/    /'
echo "Log lines, deferred, then delivered after the flush:"
log_of "$deferred_id" | sed 's/^/    /'

source "$src/tests/mta/postfix_load.sh"

# Behind an alias (reply: lists) RECIPIENT names the alias target and has
# lost the tag; the recipe reads ORIGINAL_RECIPIENT, the address as sent.
user_add lists
for f in .forward .procmailrc .tovrin-secret; do cp -p "$scratch/home/reply/$f" "$scratch/home/lists/"; done
chown -R lists: "$scratch/home/lists"
echo "reply: lists" >"$etc/aliases"
postalias "$etc/aliases"
postconf -e "alias_maps = hash:$etc/aliases"
postfix_reload
maildir=$scratch/home/lists/Maildir
expect "behind the alias reply: lists, good tag" "$alice" "reply-$(tag_for "$alice")$at" sent 1 ""
expect "behind the alias reply: lists, another sender" "mallory$at" "reply-$(tag_for "$alice")$at" bounced 0 "$catchall"

wait_until 30 queue_is_empty
verdict "queue at the end" "$(queue_is_empty && echo empty || echo not-empty)" empty
finish

#!/usr/bin/env bash
# Reply tags checked while the client waits, through a real Postfix,
# Debian's package: Debian's stock master.cf and its main.cf for "Local
# only", each with the shipped lines from examples/postfix/ appended and
# the routing line an administrator adds by hand, tovrin installed where
# the package puts it. Postfix's spawn(8) runs tovrin-policy as the user
# tovrin. Clients connect over SMTP from 127.0.0.2, outside mynetworks,
# as a client from elsewhere does; see smtp_cases.py.
# Usage: postfix_smtp_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(realpath "$1") src=$(realpath "$2")
[ "$(id -u)" -eq 0 ] || { echo "postfix_smtp_test: needs root, to start Postfix and install" >&2; exit 1; }
command -v postfix >/dev/null || { echo "postfix_smtp_test: Postfix is not installed" >&2; exit 1; }
# shellcheck source=lib.sh
source "$src/tests/mta/lib.sh"
# shellcheck source=postfix_lib.sh
source "$src/tests/mta/postfix_lib.sh"
# shellcheck source=smtp_lib.sh
source "$src/tests/mta/smtp_lib.sh"
port=2525 mta=postfix

configure_postfix() {
  mkdir -p "$etc" "$scratch/spool" "$scratch/lib"
  chown postfix "$scratch/lib"
  # The stock smtp service, on the test's own address and port.
  sed "s/^smtp      inet /127.0.0.1:$port inet /" /usr/share/postfix/master.cf.dist >"$etc/master.cf"
  cat "$src/examples/postfix/master.cf" >>"$etc/master.cf"
  {
    # What Debian's installer writes for "Local only".
    cat /usr/share/postfix/main.cf.debian
    cat <<CF
smtpd_relay_restrictions = permit_mynetworks permit_sasl_authenticated defer_unauth_destination
myhostname = mail.$domain
alias_maps =
alias_database =
mydestination = \$myhostname, $domain, localhost
relayhost =
mynetworks = 127.0.0.0/8 [::ffff:127.0.0.0]/104 [::1]/128
mailbox_size_limit = 0
recipient_delimiter = +
inet_interfaces = loopback-only
default_transport = error
relay_transport = error
inet_protocols = all
CF
    cat "$src/examples/postfix/main.cf"
  } >"$etc/main.cf"
  # The test's own: its queue, log and Maildirs, and only 127.0.0.1
  # trusted, so that clients from 127.0.0.2 stand for clients from
  # elsewhere.
  postconf -c "$etc" -e "queue_directory = $scratch/spool" "data_directory = $scratch/lib" \
    "maillog_file = $log" "maillog_file_prefixes = $scratch" "mynetworks = 127.0.0.1/32" \
    "inet_protocols = ipv4" "home_mailbox = Maildir/"
  # By hand, as the pages show: reply-<tag> reaches the user reply.
  postconf -e "recipient_delimiter = +-"
}

system_install
smtp_users_add
configure_postfix
echo "Postfix $(postconf -dh mail_version), stock master.cf, Local only main.cf, the shipped lines"
postfix_start
wait_until 20 eval "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null
exec 3>&-

run_smtp_cases "$port" && passed=$((passed + 1)) || failed=$((failed + 1))
expect_broken_checker_defers "$port" tovrin-policy postfix_reload
# Started with a usage error, it ends before the first reply.
mv /usr/bin/tovrin-policy "$scratch/tovrin-policy.real"
printf '#!/bin/sh\nexec %s /etc/tovrin/secret\n' "$scratch/tovrin-policy.real" >/usr/bin/tovrin-policy
chmod 755 /usr/bin/tovrin-policy
postfix_reload
verdict "tovrin-policy with no prefix: RCPT" "$(run_smtp_cases "$port" --rcpt-class "alice@$domain")" 4xx
verdict "... Postfix's answer" "$(grep -c 'NOQUEUE: reject: RCPT from unknown\[127.0.0.2\]: 451 4.3.5 .*Server configuration problem' "$log" | sed 's/^[1-9][0-9]*$/some/')" some
mv "$scratch/tovrin-policy.real" /usr/bin/tovrin-policy
postfix_reload
send() { message "$3" | /usr/sbin/sendmail -f "$1" -- "$2"; }
expect_local_submission_unchecked

wait_until 30 queue_is_empty
verdict "queue at the end" "$(queue_is_empty && echo empty || echo not-empty)" empty
verdict "bounces the host generated" "$(grep -c 'sender non-delivery notification' "$log")" 0
echo "Log lines, accepted, refused and deferred at RCPT:"
grep -m1 ' postfix/local.*status=sent' "$log" | sed 's/^/    /'
grep -m1 'NOQUEUE: reject: RCPT.*550 5.7.1' "$log" | sed 's/^/    /'
grep -m1 'NOQUEUE: reject: RCPT.*451 4.3.0' "$log" | sed 's/^/    /'
finish

#!/usr/bin/env bash
# Reply tags checked at RCPT time, through a real Exim, Debian's
# exim4-daemon-light with Debian's own configuration: the suffix options on
# the router local_user, which verifies and delivers local users, the
# shipped macro line from examples/exim4/localmacros naming the ACL file
# where the package installs it, and Exim's user in group tovrin. The
# daemon listens on 127.0.0.1; clients connect from 127.0.0.2, outside
# relay_from_hosts, as a client from elsewhere does; see smtp_cases.py.
# Usage: exim_smtp_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(realpath "$1") src=$(realpath "$2")
[ "$(id -u)" -eq 0 ] || { echo "exim_smtp_test: needs root, to run Exim and install" >&2; exit 1; }
command -v exim4 >/dev/null || { echo "exim_smtp_test: Exim is not installed" >&2; exit 1; }
# shellcheck source=lib.sh
source "$src/tests/mta/lib.sh"
# shellcheck source=exim_lib.sh
source "$src/tests/mta/exim_lib.sh"
# shellcheck source=smtp_lib.sh
source "$src/tests/mta/smtp_lib.sh"
port=2525 mta=exim

# Exim's user reads the secret through group tovrin; Exim picks the group
# up when it starts.
exim_user_in_group() {
  if ! id -nG Debian-exim | tr ' ' '\n' | grep -qx tovrin; then
    usermod -aG tovrin Debian-exim
    at_exit "gpasswd -d Debian-exim tovrin >/dev/null"
  fi
}

exim_start() {
  exim4 -C "$conf" -bd -oX "$port" -oP "$scratch/exim.pid" || exit 1
  at_exit exim_stop
  wait_until 20 eval "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null
  exec 3>&-
}
exim_stop() {
  local pid
  pid=$(cat "$scratch/exim.pid" 2>/dev/null)
  [ -n "$pid" ] && kill "$pid" && wait_until 30 eval "! kill -0 $pid 2>/dev/null"
}

system_install
exim_user_in_group
smtp_users_add
configure_exim local_user <"$src/examples/exim4/localmacros"
echo "$(exim4 -C "$conf" -bV | head -n 1), Debian's configuration, the shipped ACL"
exim_start

run_smtp_cases "$port" && passed=$((passed + 1)) || failed=$((failed + 1))
expect_broken_checker_defers "$port" tovrin-check-rotating
send() { message "$3" | /usr/sbin/sendmail -C "$conf" -f "$1" -- "$2"; }
expect_local_submission_unchecked

wait_until 30 eval '[ "$(queue_count)" -eq 0 ]'
verdict "queue at the end" "$(queue_count)" 0
verdict "bounces the host generated" "$(grep -c ' <= <> R=' "$log")" 0
echo "Log lines, accepted, refused and deferred at RCPT:"
grep -m1 ' => reply <reply-' "$log" | sed 's/^/    /'
grep -m1 'rejected RCPT.*reply tag refused' "$log" | sed 's/^/    /'
grep -m1 'temporarily rejected RCPT.*reply tag cannot be checked now' "$log" | sed 's/^/    /'
finish

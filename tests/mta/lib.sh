# Shared by the delivery tests through real mail systems (postfix_test.sh,
# exim_test.sh): a scratch tree, local users, the programs installed with the
# recipe, messages, waiting with a deadline, and verdicts. Sourced after
# build (the build folder) and src (the source tree) are set.

domain=tovrin.test
scratch=$(mktemp -d /tmp/tovrin-mta.XXXXXX)
chmod 755 "$scratch"
mkdir -p "$scratch/home" "$scratch/usr/bin" "$scratch/usr/share/tovrin"
chmod -R 755 "$scratch/home" "$scratch/usr"

# Commands run at exit, the last registered first.
cleanups=()
at_exit() { cleanups+=("$1"); }
run_cleanups() {
  local i
  for ((i = ${#cleanups[@]} - 1; i >= 0; i--)); do eval "${cleanups[i]}"; done
  rm -rf "$scratch"
}
trap run_cleanups EXIT

# A local user with its home in the scratch tree. A user of that name left by
# an earlier run of these tests is replaced; any other is left alone.
user_add() {
  local name=$1 home=$scratch/home/$1
  if id "$name" >/dev/null 2>&1; then
    case $(getent passwd "$name" | cut -d: -f6) in
      /tmp/tovrin-mta.*) userdel "$name" ;;
      *) echo "a user $name exists already; these tests need their own" >&2 && exit 1 ;;
    esac
  fi
  useradd -M -d "$home" -s /bin/sh "$name"
  at_exit "userdel $name"
  mkdir -p "$home"
  chown "$name": "$home"
}

# The programs and examples where an administrator installs them.
install_tovrin() {
  cp "$build"/tools/tovrin-{create,check,check-rotating} "$src/tools/tovrin-secret-replace" \
    "$scratch/usr/bin/"
  cp "$src/examples/tovrin.procmailrc" "$scratch/usr/share/tovrin/"
  chmod 755 "$scratch"/usr/bin/*
  chmod 644 "$scratch/usr/share/tovrin/tovrin.procmailrc"
}
bin=$scratch/usr/bin

# The user that receives reply-<tag> mail: procmail -p from ~/.forward, the
# recipe included from where it was installed, and a secret of its own.
reply_user_add() {
  local home=$scratch/home/reply
  user_add reply
  printf '"|/usr/bin/procmail -p"\n' >"$home/.forward"
  recipe_use tovrin-check
  "$bin/tovrin-secret-replace" "$home/.tovrin-secret"
  chown -R reply: "$home"
  secret=$home/.tovrin-secret
  maildir=$home/Maildir
}

# Points the recipe at a checker: tovrin-check or tovrin-check-rotating.
recipe_use() {
  local home=$scratch/home/reply
  cat >"$home/.procmailrc" <<RC
TOVRIN_CHECK=$bin/$1
INCLUDERC=$scratch/usr/share/tovrin/tovrin.procmailrc
RC
  chown reply: "$home/.procmailrc"
}

# A user whose ~/.forward passes tovrin-check's own status straight to the
# mail system, here 111 for a secret that is missing.
direct_user_add() {
  user_add direct
  printf '"|%s %s x"\n' "$bin/tovrin-check" "$scratch/no-such-secret" >"$scratch/home/direct/.forward"
  chown direct: "$scratch/home/direct/.forward"
}

# A tag issued by the real creator, as the application that hands out
# reply addresses does.
tag_for() { SENDER=$1 "$bin/tovrin-create" "${2:-3600}" '' "$secret" ''; }
with_other_letter() { local t=$1; [ "${t: -1}" = a ] && echo "${t%?}b" || echo "${t%?}a"; }
with_upper_letter() { local t=$1; echo "${t%?}$(tr a-p A-P <<<"${t: -1}")"; }

message() {
  printf 'From: sender@%s\nTo: list@%s\nSubject: %s\nMessage-ID: <%s@%s>\n\nbody of %s\n' \
    "$domain" "$domain" "$1" "$1" "$domain" "$1"
}

# How many files under a Maildir's new/ carry the message id.
count_in() { grep -lsF -- "<$2@$domain>" "$1"/new/* 2>/dev/null | wc -l; }

# How many of those also carry text.
count_saying() { grep -lsF -- "<$2@$domain>" "$1"/new/* 2>/dev/null | xargs -r grep -lF -- "$3" | wc -l; }

# Runs a command until it succeeds or the seconds run out; polls, so it
# returns as soon as the condition holds.
wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# Sends one message and compares its outcome: the status in the mail
# system's log, the copies delivered to $maildir, and the bounce the sender
# finds in dsn_box (a Maildir) or, with no dsn_box, that the mail system made
# no bounce and no notice at all. Each test defines send, status_of,
# has_status and notices_of for its mail system.
n=0
expect() {
  local name=$1 from=$2 to=$3 want=$4 want_delivered=$5 dsn_box=$6
  n=$((n + 1))
  local id=case$n
  send "$from" "$to" "$id"
  wait_until 30 has_status "$id" "$want"
  verdict "$name: status" "$(status_of "$id")" "$want"
  verdict "$name: delivered" "$(count_in "$maildir" "$id")" "$want_delivered"
  if [ -n "$dsn_box" ]; then
    wait_until 30 eval '[ "$(count_in "$dsn_box" "$id")" -ge 1 ]'
    verdict "$name: bounce to the sender" "$(count_in "$dsn_box" "$id")" 1
  else
    verdict "$name: bounces and notices" "$(notices_of "$id")" 0
  fi
  last_id=$id
}

# An unreadable or missing secret defers the mail; once the secret is back,
# a run of the queue (flush_queue) delivers it, once. Each test defines
# flush_queue and queue_count; delivered names the final status.
expect_deferrals() {
  local delivered=$1 how tag
  for how in unreadable missing; do
    tag=$(tag_for "alice@$domain")
    if [ $how = unreadable ]; then chmod 000 "$secret"; else mv "$secret" "$secret.away"; fi
    expect "secret $how" "alice@$domain" "reply-$tag@$domain" deferred 0 ""
    verdict "secret $how: kept in the queue" "$(queue_count)" 1
    if [ $how = unreadable ]; then chmod 600 "$secret"; else mv "$secret.away" "$secret"; fi
    flush_queue
    wait_until 30 has_status "$last_id" "$delivered"
    verdict "secret $how, then back and the queue run: status" "$(status_of "$last_id")" "$delivered"
    verdict "secret $how, then back and the queue run: delivered" "$(count_in "$maildir" "$last_id")" 1
  done
}

passed=0 failed=0
verdict() {
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
    echo "  $1: $2"
  else
    failed=$((failed + 1))
    echo "FAILED: $1: $2, wanted $3"
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# The groups a ~/.forward command runs with: a plain command gets the
# user's primary group only. procmail, set-uid root, takes up all of the
# user's groups again, so the recipe does read a secret shared through a
# supplementary group. delivered names the mail system's status for a
# delivery.
expect_groups_at_delivery() {
  local delivered=$1 home=$scratch/home/reply shared=$scratch/shared seen
  groupadd tovrinshared
  at_exit "groupdel tovrinshared"
  user_add grouped
  usermod -aG tovrinshared grouped
  seen=$scratch/home/grouped/groups-seen
  printf '#!/bin/sh\nid -G >%s\n' "$seen" >"$bin/groups-seen"
  chmod 755 "$bin/groups-seen"
  printf '"|%s"\n' "$bin/groups-seen" >"$scratch/home/grouped/.forward"
  chown grouped: "$scratch/home/grouped/.forward"
  send "alice@$domain" "grouped@$domain" groups
  wait_until 30 test -s "$seen"
  verdict "groups of a plain ~/.forward command" "$(cat "$seen")" "$(id -g grouped)"

  usermod -aG tovrinshared reply
  install -d -m 755 "$shared"
  install -m 640 -o root -g tovrinshared "$home/.tovrin-secret" "$shared/secret"
  cp "$home/.procmailrc" "$scratch/procmailrc.saved"
  printf 'TOVRIN_SECRET=%s\n' "$shared/secret" | cat - "$scratch/procmailrc.saved" >"$home/.procmailrc"
  expect "procmail, secret readable through a supplementary group" "alice@$domain" \
    "reply-$(tag_for "alice@$domain")@$domain" "$delivered" 1 ""
  cp "$scratch/procmailrc.saved" "$home/.procmailrc"
}

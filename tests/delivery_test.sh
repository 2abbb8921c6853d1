#!/usr/bin/env bash
# Runs procmail with the recipe from examples/ the way a mail system would
# (envelope sender in SENDER, address in RECIPIENT) and checks each outcome:
# delivered into the Maildir, refused permanently (77), or failed
# temporarily (75) without delivery.
# Usage: delivery_test.sh CREATE CHECK RECIPE
set -u
create=$1 check=$2 recipe=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
head -c 64 /dev/urandom >"$dir/secret"
chmod 600 "$dir/secret"
printf 'From: alice@example.org\nTo: list\nSubject: re: your question\n\nyes\n' >"$dir/message"

sender=alice@example.org
tag=$(SENDER=$sender "$create" 3600 '' "$dir/secret" '')
# A lifetime of 2^64 - 1 seconds wraps to the second before now: expired.
expired=$(SENDER=$sender "$create" 18446744073709551615 '' "$dir/secret" '')
last=${tag: -1}
[ "$last" = a ] && other=b || other=a

passed=0 failed=0
deliver() {
  local name=$1 want_status=$2 want_new=$3 envelope_sender=$4 address=$5 secret=$6
  rm -rf "$dir/Maildir"
  env -i PATH=/usr/bin:/bin HOME="$dir" procmail -m \
    SENDER="$envelope_sender" RECIPIENT="$address" TOVRIN_CHECK="$check" \
    TOVRIN_SECRET="$secret" INBOX="$dir/Maildir/" "$recipe" <"$dir/message" 2>"$dir/log"
  local status=$?
  local delivered
  delivered=$(find "$dir/Maildir/new" -type f 2>/dev/null | wc -l)
  if [ "$status" -eq "$want_status" ] && [ "$delivered" -eq "$want_new" ]; then
    passed=$((passed + 1))
    echo "$name: status $status, $delivered delivered"
  else
    failed=$((failed + 1))
    echo "FAILED: $name: status $status (wanted $want_status), $delivered delivered (wanted $want_new)"
    cat "$dir/log"
  fi
}

deliver "matching sender" 0 1 "$sender" "reply-$tag@example.org" "$dir/secret"
deliver "another sender" 77 0 mallory@example.net "reply-$tag@example.org" "$dir/secret"
deliver "null sender" 77 0 "" "reply-$tag@example.org" "$dir/secret"
deliver "changed letter" 77 0 "$sender" "reply-${tag%?}$other@example.org" "$dir/secret"
deliver "expired tag" 77 0 "$sender" "reply-$expired@example.org" "$dir/secret"
deliver "no tag in the address" 77 0 "$sender" "list@example.org" "$dir/secret"
deliver "unreadable secret" 75 0 "$sender" "reply-$tag@example.org" "$dir/missing-secret"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

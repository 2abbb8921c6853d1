#!/usr/bin/env bash
# Replacing the secret with tovrin-secret-replace and checking through
# tovrin-check-rotating: the new secret first, secret.old only after a
# refusal. Retiring the old key, a leaked key, a secret.old that is a
# directory or a link, names beginning with "-", two replacements at once,
# a held lock, a reader during 100 replacements and a full disk.
# Usage: rotation_test.sh CREATE CHECK ROTATING REPLACE
set -u
create=$(realpath "$1") check=$(realpath "$2") rotating=$(realpath "$3") replace=$(realpath "$4")
dir=$(mktemp -d)
trap 'umount "$dir/full" 2>/dev/null; rm -rf "$dir"' EXIT
mkdir "$dir/etc"
secret=$dir/etc/secret
export SENDER=alice@example.org
ten_years=315360000

passed=0 failed=0
verdict() {
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
    echo "$1: $2"
  else
    failed=$((failed + 1))
    echo "FAILED: $1: $2, wanted $3"
  fi
}
status() { "$@" 2>/dev/null && echo 0 || echo $?; }
# Names, kinds and contents of everything in a folder, to show that a run
# changed nothing.
snapshot() { (cd "$1" && find . -printf '%p %y %l %s %m\n' | sort && find . -type f -exec cksum {} + | sort); }

"$replace" "$secret"
verdict "first secret: size, mode, no secret.old" \
  "$(stat -c '%s %a' "$secret") $([ -e "$secret.old" ] && echo old || echo no-old)" "64 600 no-old"
chmod 640 "$secret"
cp "$secret" "$dir/first"
old_tag=$("$create" 3600 '' "$secret" '')
"$replace" "$secret"
verdict "replaced: mode kept, old kept by link" \
  "$(stat -c '%s %a' "$secret") $(cmp -s "$dir/first" "$secret.old" && echo kept) $(cmp -s "$secret" "$secret.old" && echo same || echo new)" \
  "64 640 kept new"
new_tag=$("$create" 3600 '' "$secret" '')

verdict "old tag through the rotation" "$(status "$rotating" "$secret" "$old_tag")" 0
verdict "old tag against the new secret alone" "$(status "$check" "$secret" "$old_tag")" 100
verdict "new tag through the rotation" "$(status "$rotating" "$secret" "$new_tag")" 0
verdict "forged tag through the rotation" "$(status "$rotating" "$secret" "${new_tag%?}x")" 100
verdict "refusal is one line of its own" "$("$rotating" "$secret" "${new_tag%?}x" 2>&1)" \
  "tovrin-check-rotating: fatal: cookie doesn't check out"
mv "$secret" "$dir/away"
verdict "missing secret does not fall back to secret.old" \
  "$("$rotating" "$secret" "$old_tag" 2>&1) ($?)" \
  "tovrin-check-rotating: fatal: unable to read secret: file does not exist (111)"
mv "$dir/away" "$secret"

# A retired key works until --retire, however long its tags were made to
# last; a leaked key, the current one, takes two replacements to push out.
old_decade=$("$create" $ten_years '' "$secret.old" '')
verdict "ten-year tag of secret.old before --retire" "$(status "$rotating" "$secret" "$old_decade")" 0
"$replace" --retire "$secret"
verdict "... after --retire" "$(status "$rotating" "$secret" "$old_decade")" 100
verdict "--retire removed secret.old only" "$(ls -A "$dir/etc")" secret
verdict "--retire again, with nothing to retire" "$(status "$replace" --retire "$secret")" 0
leaked=$("$create" $ten_years '' "$secret" '')
"$replace" "$secret"
verdict "leaked key's ten-year tag after one replacement" "$(status "$rotating" "$secret" "$leaked")" 0
"$replace" "$secret"
verdict "... after two replacements" "$(status "$rotating" "$secret" "$leaked")" 100
"$replace" --retire "$secret"

# A secret or secret.old that is a directory or a symbolic link stops the
# script before it changes anything: no key is moved into a directory that
# someone else chose.
mkdir "$dir/victim"
for kind in "secret.old directory" "secret.old link-to-directory" "secret directory" \
  "secret link-to-file" "secret.old link-to-file"; do
  set -- $kind
  name=$1 what=$2
  work=$dir/work
  rm -rf "$work" && mkdir "$work"
  [ "$name" = secret.old ] && "$replace" "$work/secret"
  case $what in
    directory) mkdir "$work/$name" ;;
    link-to-directory) ln -s "$dir/victim" "$work/$name" ;;
    link-to-file) cp "$dir/first" "$dir/target" && ln -s "$dir/target" "$work/$name" ;;
  esac
  before=$(snapshot "$dir")
  for mode in replace retire; do
    args=("$work/secret")
    [ $mode = retire ] && args=(--retire "$work/secret")
    verdict "$name a $what: $mode" "$(status "$replace" "${args[@]}")" 111
    verdict "$name a $what: $mode changed nothing" "$(snapshot "$dir" | cmp -s - <(echo "$before") && echo nothing)" nothing
  done
done
verdict "the directory a link named is empty" "$(ls -A "$dir/victim")" ""

verdict "no argument" "$("$replace" 2>&1) ($?)" \
  "tovrin-secret-replace: fatal: usage: tovrin-secret-replace [--retire] secret (100)"
verdict "two arguments" "$(status "$replace" "$secret" "$secret")" 100
verdict "--retire and no name" "$(status "$replace" --retire)" 100
mkdir "$dir/dash"
(cd "$dir/dash" && "$replace" -k && "$replace" -k && "$replace" -- --retire && "$replace" --retire -k)
verdict "names beginning with -" "$(ls -A "$dir/dash" | sort | tr '\n' ' ')" "--retire -k "

# Two replacements at once take turns: the second keeps what the first
# installed as secret.old, and nothing else is left in the folder.
rounds=${TOVRIN_REPLACE_ROUNDS:-500}
race=$dir/race
mkdir "$race"
"$replace" "$race/secret"
bad=0 both_done=0
for ((i = 0; i < rounds; i++)); do
  before=$(cksum <"$race/secret")
  "$replace" "$race/secret" & first=$!
  "$replace" "$race/secret" & second=$!
  wait $first && wait $second && both_done=$((both_done + 1))
  after_old=$(cksum <"$race/secret.old") after=$(cksum <"$race/secret")
  if [ "$after_old" = "$before" ] || [ "$after_old" = "$after" ] ||
    [ "$(ls -A "$race" | tr '\n' ' ')" != "secret secret.old " ]; then
    bad=$((bad + 1))
    echo "  round $i: $(ls -A "$race" | tr '\n' ' ')"
  fi
done
verdict "$rounds rounds of two replacements at once: both exited 0" "$both_done" "$rounds"
verdict "... rounds that lost a secret or left a file" "$bad" 0

# A run that cannot have the lock within 10 seconds gives up, unchanged.
cp "$race/secret" "$dir/held"
flock "$race" sleep 15 &
holder=$!
sleep 0.5
started=$SECONDS
verdict "a lock held for 15 s" "$("$replace" "$race/secret" 2>&1) ($?)" \
  "tovrin-secret-replace: fatal: another tovrin-secret-replace is still working in $race (111)"
verdict "... gives up after" "$((SECONDS - started)) s" "10 s"
verdict "... with the secret unchanged" "$(cmp -s "$dir/held" "$race/secret" && echo same)" same
kill $holder 2>/dev/null
wait $holder 2>/dev/null

# While the secret is replaced 100 times, a reader never finds it missing,
# empty or short.
( for _ in $(seq 100); do "$replace" "$secret"; done ) &
writer=$!
sizes=$dir/sizes
while kill -0 "$writer" 2>/dev/null; do wc -c <"$secret" >>"$sizes" 2>&1; done
wait "$writer"
verdict "sizes seen during 100 replacements" "$(sort -u "$sizes" | tr '\n' ' ')" "64 "

# On a full disk the replacement fails and leaves the secret as it was; a
# plain redirection, which the replacement avoids, leaves an empty file,
# which the programs refuse as a temporary failure.
mkdir "$dir/full"
if mount -t tmpfs -o size=16k tmpfs "$dir/full" 2>/dev/null; then
  "$replace" "$dir/full/secret"
  cp "$dir/full/secret" "$dir/before"
  tag=$("$create" 3600 '' "$dir/full/secret" '')
  dd if=/dev/zero of="$dir/full/filler" bs=4k 2>/dev/null
  verdict "replacement on a full disk" "$(status "$replace" "$dir/full/secret")" 111
  verdict "... leaves the secret as it was" "$(cmp -s "$dir/before" "$dir/full/secret" && echo same)" same
  verdict "... and tags still check" "$(status "$rotating" "$dir/full/secret" "$tag")" 0
  head -c 64 /dev/urandom >"$dir/full/plain" 2>/dev/null
  verdict "a plain redirection on a full disk leaves" "$(wc -c <"$dir/full/plain") bytes" "0 bytes"
  verdict "... which the checker refuses as temporary" \
    "$("$check" "$dir/full/plain" "$tag" 2>&1) ($?)" "tovrin-check: fatal: secret is empty (111)"
  umount "$dir/full"
else
  echo "SKIPPED, needs root to mount a tmpfs: the full-disk cases"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Replacing the secret with examples/tovrin-secret-replace and checking
# through examples/tovrin-check-rotating, the drop-in for tovrin-check: the
# new secret first, secret.old only after a refusal (100), never after a
# temporary failure (111). The secret is never seen empty or short, and a
# full disk leaves it as it was.
# Usage: rotation_test.sh CREATE CHECK EXAMPLES_DIR
set -u
create=$1 check=$2 examples=$3
dir=$(mktemp -d)
trap 'umount "$dir/full" 2>/dev/null; rm -rf "$dir"' EXIT
mkdir "$dir/bin" "$dir/etc"
cp "$check" "$dir/bin/tovrin-check"
cp "$examples/tovrin-check-rotating" "$examples/tovrin-secret-replace" "$dir/bin/"
rotating=$dir/bin/tovrin-check-rotating
replace=$dir/bin/tovrin-secret-replace
secret=$dir/etc/secret
export SENDER=alice@example.org

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
verdict "refusal is one line" "$("$rotating" "$secret" "${new_tag%?}x" 2>&1)" \
  "tovrin-check: fatal: cookie doesn't check out"
verdict "missing tag: usage, as from tovrin-check" "$("$rotating" "$secret" 2>&1)" \
  "tovrin-check: fatal: usage: tovrin-check secret cookie"
mv "$secret" "$dir/away"
verdict "missing secret does not fall back to secret.old" "$(status "$rotating" "$secret" "$old_tag")" 111
verdict "... and says why, once" "$("$rotating" "$secret" "$old_tag" 2>&1)" \
  "tovrin-check: fatal: unable to read secret: file does not exist"
mv "$dir/away" "$secret"
"$replace" "$secret"
verdict "a second replacement drops the oldest secret" "$(status "$rotating" "$secret" "$old_tag")" 100

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
  echo "no tmpfs can be mounted here (needs root): full-disk cases not run"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

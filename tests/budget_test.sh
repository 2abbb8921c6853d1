#!/usr/bin/env bash
# The installed programs within their budgets: at most 80,000 instructions
# for a good check (callgrind counts instructions, not time, so the figure
# repeats), 160,000 for a tag that only secret.old accepts, and at most
# 40 KiB for each program once stripped. Prints every figure beside a
# static musl program that does nothing.
# Usage: budget_test.sh DO_NOTHING_MUSL CREATE CHECK ROTATING
set -u
nothing=$1 create=$2 check=$3 rotating=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(umask 077 && head -c 64 /dev/urandom >"$dir/secret" && head -c 64 /dev/urandom >"$dir/secret.old")
export SENDER=alice@example.org
tag=$("$create" 86400 '' "$dir/secret" '')
old_tag=$("$create" 86400 '' "$dir/secret.old" '')

instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : *//p'
}
passed=0 failed=0
within() {
  local what=$1 figure=$2 limit=$3
  if [ -n "$figure" ] && [ "$figure" -le "$limit" ]; then
    passed=$((passed + 1))
    printf '%-40s %8s (at most %s)\n' "$what" "$figure" "$limit"
  else
    failed=$((failed + 1))
    printf 'FAILED: %-32s %8s (at most %s)\n' "$what" "$figure" "$limit"
  fi
}
printf '%-40s %8s\n' "instructions: do-nothing (musl)" "$(instructions "$nothing")"
within "instructions: good check" "$(instructions "$check" "$dir/secret" "$tag")" 80000
within "instructions: refused check" "$(instructions "$check" "$dir/secret" "${tag%?}x")" 80000
within "instructions: create" "$(instructions "$create" 86400 reply- "$dir/secret" @x)" 80000
within "instructions: rotating, good by secret" "$(instructions "$rotating" "$dir/secret" "$tag")" 80000
within "instructions: rotating, good by secret.old" \
  "$(instructions "$rotating" "$dir/secret" "$old_tag")" 160000
within "instructions: rotating, refused by both" \
  "$(instructions "$rotating" "$dir/secret" "${tag%?}x")" 160000
for program in "$create" "$check" "$rotating"; do
  strip -o "$dir/stripped" "$program"
  within "bytes stripped: $(basename "$program")" "$(wc -c <"$dir/stripped")" 40960
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Runs the dynamically linked twins of both programs under valgrind on a
# success and a failure path: no allocation and no memory error, ever.
# Usage: valgrind_test.sh CREATE_DYNAMIC CHECK_DYNAMIC
set -u
create=$1 check=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'a secret\n' >"$dir/secret"
tag=$(SENDER=a@example.org "$create" 600 '' "$dir/secret" '')

failed=0 passed=0
expect_clean() {
  local name=$1 want_status=$2
  shift 2
  valgrind --error-exitcode=99 --log-file="$dir/log" "$@" >/dev/null 2>&1
  local status=$?
  if [ "$status" -eq "$want_status" ] && grep -q 'total heap usage: 0 allocs' "$dir/log" &&
    grep -q 'ERROR SUMMARY: 0 errors' "$dir/log"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name (status $status, wanted $want_status)"
    grep -E 'heap usage|ERROR SUMMARY|Invalid|uninitialised' "$dir/log"
  fi
}

export SENDER=a@example.org
expect_clean "create succeeds" 0 "$create" 600 reply- "$dir/secret" @example.org
expect_clean "create cannot read its secret" 111 "$create" 600 reply- "$dir/missing" @example.org
expect_clean "check accepts" 0 "$check" "$dir/secret" "$tag"
expect_clean "check refuses" 100 "$check" "$dir/secret" "${tag%?}x"
expect_clean "check cannot read its secret" 111 "$check" "$dir/missing" "$tag"
unset SENDER
expect_clean "create without SENDER" 100 "$create" 600 reply- "$dir/secret" @example.org

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

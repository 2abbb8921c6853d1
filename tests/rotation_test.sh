#!/usr/bin/env bash
# Key rotation with examples/tovrin-check-rotating: new secret first, the old
# one only after a refusal (100), never after a temporary failure (111).
# Usage: rotation_test.sh CREATE CHECK ROTATING
set -u
create=$1 check=$2 rotating=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
head -c 64 /dev/urandom >"$dir/old"
head -c 64 /dev/urandom >"$dir/new"
export SENDER=alice@example.org TOVRIN_CHECK=$check
old_tag=$("$create" 3600 '' "$dir/old" '')
new_tag=$("$create" 3600 '' "$dir/new" '')

passed=0 failed=0
expect() {
  local name=$1 want=$2
  shift 2
  "$@" 2>/dev/null
  local status=$?
  if [ "$status" -eq "$want" ]; then
    passed=$((passed + 1))
    echo "$name: status $status"
  else
    failed=$((failed + 1))
    echo "FAILED: $name: status $status, wanted $want"
  fi
}
expect "old tag through the rotation" 0 "$rotating" "$dir/new" "$dir/old" "$old_tag"
expect "old tag against the new secret alone" 100 "$check" "$dir/new" "$old_tag"
expect "new tag through the rotation" 0 "$rotating" "$dir/new" "$dir/old" "$new_tag"
expect "forged tag through the rotation" 100 "$rotating" "$dir/new" "$dir/old" "${new_tag%?}x"
expect "unreadable new secret does not fall back" 111 "$rotating" "$dir/missing" "$dir/old" "$old_tag"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

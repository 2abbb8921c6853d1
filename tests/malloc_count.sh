#!/usr/bin/env bash
# Counts, with gdb breakpoints, the calls of malloc, calloc and realloc in a
# run of each static program, and requires no more than a static program that
# does nothing makes (the C start-up's own).
# Usage: malloc_count.sh DO_NOTHING CREATE CHECK
set -u
nothing=$1 create=$2 check=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'a secret\n' >"$dir/secret"
export SENDER=a@example.org
tag=$("$create" 600 '' "$dir/secret" '')

# gdb reads breakpoint command lists only from a script.
cat >"$dir/count.gdb" <<'GDB'
set pagination off
set $calls = 0
break malloc
commands
silent
set $calls = $calls + 1
continue
end
break calloc
commands
silent
set $calls = $calls + 1
continue
end
break realloc
commands
silent
set $calls = $calls + 1
continue
end
run
printf "calls=%d\n", $calls
GDB

# Prints the number of allocation calls one run of the command makes.
count() {
  gdb -nx -batch -q -x "$dir/count.gdb" --args "$@" 2>/dev/null </dev/null | sed -n 's/^calls=//p'
}

floor=$(count "$nothing")
echo "do-nothing: $floor"
failed=0 passed=0
for run in "create:$create 600 reply- $dir/secret @example.org" \
  "check:$check $dir/secret $tag" "check-refusing:$check $dir/secret ${tag%?}x"; do
  name=${run%%:*}
  n=$(count ${run#*:})
  echo "$name: $n"
  if [ -n "$n" ] && [ -n "$floor" ] && [ "$n" -le "$floor" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name makes $n allocation calls, the floor is $floor"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# The release programs are static (no interpreter, no dynamic section) and
# carry no global constructors of their own.
# Usage: static_binary_test.sh PROGRAM...
set -u
passed=0 failed=0
verdict() {
  if [ "$2" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
for program in "$@"; do
  name=$(basename "$program")
  readelf -l "$program" | grep -q 'INTERP' && v=bad || v=ok
  verdict "$name asks for a program interpreter" "$v"
  readelf -d "$program" | grep -q 'There is no dynamic section' && v=ok || v=bad
  verdict "$name has a dynamic section" "$v"
  nm "$program" | grep -q -e '_GLOBAL__sub_I_' -e '_GLOBAL__sub_D_' && v=bad || v=ok
  verdict "$name runs global constructors or destructors" "$v"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Reads the ELF headers and symbols of the installed programs: each is a
# static PIE that loads nothing (no interpreter, no needed library), with
# full RELRO, a stack that is not executable and the stack protector; it
# contains no allocator at all and runs no global constructors.
# Usage: elf_test.sh PROGRAM...
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0
verdict() {
  if [ "$2" = yes ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $1"
  fi
}
has() { grep -qE -- "$1" && echo yes || echo no; }
lacks() { grep -qE -- "$1" && echo no || echo yes; }

for program in "$@"; do
  name=$(basename "$program")
  header=$(readelf -hW "$program")
  segments=$(readelf -lW "$program")
  dynamic=$(readelf -dW "$program")
  symbols=$(nm "$program")
  verdict "$name is position-independent (type DYN)" "$(has 'Type: +DYN' <<<"$header")"
  verdict "$name asks for no program interpreter" "$(lacks 'INTERP' <<<"$segments")"
  verdict "$name needs no shared library" "$(lacks '\(NEEDED\)' <<<"$dynamic")"
  verdict "$name has a RELRO segment" "$(has 'GNU_RELRO' <<<"$segments")"
  verdict "$name binds every symbol at start (full RELRO)" "$(has 'FLAGS.*BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic")"
  verdict "$name has a stack that is not executable" "$(has 'GNU_STACK +(0x0+ +){5}RW ' <<<"$segments")"
  verdict "$name has the stack protector" "$(has ' __stack_chk_fail$' <<<"$symbols")"
  verdict "$name contains no allocator" "$(lacks ' (malloc|calloc|realloc|free|__libc_malloc)$' <<<"$symbols")"
  verdict "$name runs no global constructors or destructors" "$(lacks '_GLOBAL__sub_[ID]_' <<<"$symbols")"
  verdict "$name carries no C++ library" "$(lacks ' _ZSt| __cxa_| __gxx_' <<<"$symbols")"
  strip -o "$scratch/$name" "$program"
  echo "$name: $(wc -c <"$program") bytes, $(wc -c <"$scratch/$name") stripped"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# The manual pages answer what administrators ask, and the procmail recipe
# shown in tovrin-check(1) and the README is the one kept in examples/.
# Usage: manpage_test.sh SOURCE_DIR
set -u
src=$1
passed=0 failed=0

# The page as one line of plain text: no wrapping, no hyphenation.
render() {
  MANWIDTH=100000 MAN_KEEP_FORMATTING= man -l "$1" 2>/dev/null | col -b | tr -s ' \n' '  '
}

for page in tovrin-create tovrin-check; do
  text=$(render "$src/man/$page.1")
  while IFS= read -r phrase; do
    if [[ "$text" == *"$phrase"* ]]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: $page(1) does not say \"$phrase\""
    fi
  done <<'PHRASES'
up to and including its expiry second
null sender of bounces
only matches
permanent refusal
temporary failure
in lower case
compared exactly
first 64 bytes
trailing newline
mode 600, owned by the user that delivers the mail
22 to 41 bytes
31 bytes
64 bytes of the local part
byte for byte, case included
clock synchronised
PHRASES
done

check_page=$(MANWIDTH=100000 man -l "$src/man/tovrin-check.1" 2>/dev/null | col -b)
readme=$(cat "$src/README.md")
while IFS= read -r line; do
  for place in check_page readme; do
    if grep -qF -- "$line" <<<"${!place}"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: $place lacks the recipe line: $line"
    fi
  done
done < <(grep -v -e '^#' -e '^[[:space:]]*$' "$src/examples/tovrin.procmailrc" | sed 's/^[[:space:]]*//')

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

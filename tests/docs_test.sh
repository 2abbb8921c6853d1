#!/usr/bin/env bash
# The manual pages answer what administrators ask, and what the README and
# tovrin-check(1) show for a mail system is what the tests run: the recipe
# kept in examples/, the .forward line, and the Postfix and Exim settings
# that tests/mta/ apply.
# Usage: docs_test.sh SOURCE_DIR
set -u
src=$1
passed=0 failed=0
verdict() {
  if [ "$2" = yes ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
contains() { [[ "${!1}" == *"$2"* ]] && echo yes || echo no; }

# A page as one line of plain text: no wrapping, no hyphenation.
render() {
  MANWIDTH=100000 MAN_KEEP_FORMATTING= man -l "$1" 2>/dev/null | col -b | tr -s ' \n' '  '
}
create_page=$(render "$src/man/tovrin-create.1")
check_page=$(render "$src/man/tovrin-check.1")
readme=$(tr -s ' \n' '  ' <"$src/README.md")

while IFS='|' read -r places phrase; do
  for place in $places; do
    verdict "$place does not say \"$phrase\"" "$(contains "$place" "$phrase")"
  done
done <<'PHRASES'
create_page check_page|up to and including its expiry second
create_page check_page|null sender of bounces
create_page check_page|only matches
create_page check_page readme|temporary failure
check_page|permanent refusal
create_page check_page|in lower case
check_page|compared exactly
create_page check_page|first 64 bytes
create_page check_page|trailing newline
create_page check_page|mode 600
create_page check_page|the user that delivers the mail
create_page check_page|22 to 41 bytes
create_page check_page|31 bytes
create_page check_page|64 bytes of the local part
create_page check_page|byte for byte, case included
create_page check_page|clock synchronised
create_page check_page readme|secret is empty
create_page check_page readme|clock is before 1970
create_page check_page|never dies of a signal
create_page readme|already expired
create_page readme|six billion years
check_page readme|modulo 2^64
check_page readme|de-duplication or logs
check_page readme|tovrin-secret-replace /etc/tovrin/secret
check_page readme|TOVRIN_CHECK=/usr/local/bin/tovrin-check-rotating
check_page readme|"|/usr/bin/procmail -p"
check_page readme|recipient_delimiter = -
check_page readme|local_part_suffix = -*
check_page readme|local_part_suffix_optional
check_page readme|MAIN_IGNORE_BOUNCE_ERRORS_AFTER = 0s
check_page readme|update-exim4.conf
PHRASES

# The settings the mail-system tests apply are the ones shown.
forward=$(sed -n "s/.*printf '\\(\"|\\/usr\\/bin\\/procmail -p\"\\).*/\\1/p" "$src/tests/mta/lib.sh")
verdict "tests/mta/lib.sh writes the .forward line shown" "$([ "$forward" = '"|/usr/bin/procmail -p"' ] && echo yes)"
widen=$(sed -n "/^read -r widen_filter <<'COMMAND'$/{n;p}" "$src/tests/mta/postfix_test.sh")
verdict "the Postfix test widens the filter" "$([ -n "$widen" ] && echo yes)"
for place in check_page readme; do
  verdict "$place shows the Postfix test's command: $widen" "$(contains "$place" "$widen")"
done
for setting in 'recipient_delimiter = -' 'local_part_suffix = -*' 'local_part_suffix_optional' \
  'MAIN_IGNORE_BOUNCE_ERRORS_AFTER = 0s'; do
  verdict "tests/mta/ apply $setting" \
    "$(grep -qF -- "$setting" "$src"/tests/mta/postfix_test.sh "$src"/tests/mta/exim_test.sh && echo yes)"
done

# The recipe, line for line, in tovrin-check(1) and the README.
check_lines=$(MANWIDTH=100000 man -l "$src/man/tovrin-check.1" 2>/dev/null | col -b)
readme_lines=$(cat "$src/README.md")
while IFS= read -r line; do
  for place in check_lines readme_lines; do
    verdict "$place lacks the recipe line: $line" "$(grep -qF -- "$line" <<<"${!place}" && echo yes)"
  done
done < <(grep -v -e '^#' -e '^[[:space:]]*$' "$src/examples/tovrin.procmailrc" | sed 's/^[[:space:]]*//')

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# The manual pages answer what administrators ask, and what the README and
# the pages show for a mail system is what the tests run: the shipped
# configuration lines in examples/, the lines added by hand that tests/mta/
# apply, the recipe, and the shell lines that cut a tag out of an address,
# which this test runs.
# Usage: docs_test.sh SOURCE_DIR CREATE CHECK
set -u
src=$1 create=$2 check=$3
passed=0 failed=0
verdict() {
  if [ "$2" = yes ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
contains() { [[ "${!1}" == *"$2"* ]] && echo yes || echo no; }
squeeze() { tr -s ' \n' '  '; }

# A page as one line of plain text: no wrapping, no hyphenation.
render() {
  MANWIDTH=100000 MAN_KEEP_FORMATTING= man -l "$1" 2>/dev/null | col -b | squeeze
}
create_page=$(render "$src/man/tovrin-create.1")
check_page=$(render "$src/man/tovrin-check.1")
rotating_page=$(render "$src/man/tovrin-check-rotating.1")
replace_page=$(render "$src/man/tovrin-secret-replace.1")
policy_page=$(render "$src/man/tovrin-policy.8")
readme=$(squeeze <"$src/README.md")

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
check_page readme|bounces to the envelope sender
check_page readme|receiving user of its own
check_page readme|"|/usr/bin/procmail -p"
check_page readme|INCLUDERC=/usr/share/tovrin/tovrin.procmailrc
readme|INCLUDERC=/usr/local/share/tovrin/tovrin.procmailrc
check_page readme|local_part_suffix = -*
check_page readme|MAIN_IGNORE_BOUNCE_ERRORS_AFTER = 0s
create_page replace_page|/etc/tovrin/secret
replace_page|mode 0640, owner root, group tovrin
replace_page|mode 0600, owned by the receiving user
replace_page policy_page readme|tovrin-secret-replace /etc/tovrin/secret
replace_page readme|tovrin-secret-replace --retire /etc/tovrin/secret
replace_page readme|longest lifetime ever given
replace_page readme|keeps its own modification time
replace_page|Replace twice in a row
readme|replace twice in a row
replace_page|ever follows a directory
rotating_page readme|stricter than
rotating_page|secret.old has another owner than the secret
rotating_page|secret.old is writable by group or others
rotating_page|secret.old is not a regular file
rotating_page|unable to read secret.old:
rotating_page|secret.old is empty
rotating_page policy_page readme|"john doe"@example.org
policy_page readme|john doe@example.org
policy_page|action=DUNNO
readme|`DUNNO`
policy_page readme|550 5.7.1 reply tag refused
policy_page readme|451 4.3.0 reply tag cannot be checked now
policy_page readme|451 4.3.5
policy_page readme|facility mail
policy_page readme|mynetworks
rotating_page readme|relay_from_hosts
policy_page readme|procmail recipe
rotating_page readme|local_user
readme|make install PREFIX=/usr/local
readme|TOVRIN_REPLACE_MTA=yes
PHRASES

# A file's lines, comments and blank lines left out, spacing squeezed.
spaces() { tr '\t' ' ' | tr -s ' '; }
lines_of() { grep -v -e '^#' -e '^[[:space:]]*$' "$1" | sed 's/^[[:space:]]*//' | spaces; }
shown_in() { grep -qF -- "$2" <<<"$(spaces <<<"${!1}")" && echo yes || echo no; }
check_lines=$(MANWIDTH=100000 man -l "$src/man/tovrin-check.1" 2>/dev/null | col -b)
policy_lines=$(MANWIDTH=100000 man -l "$src/man/tovrin-policy.8" 2>/dev/null | col -b)
rotating_lines=$(MANWIDTH=100000 man -l "$src/man/tovrin-check-rotating.1" 2>/dev/null | col -b)
replace_lines=$(MANWIDTH=100000 man -l "$src/man/tovrin-secret-replace.1" 2>/dev/null | col -b)
readme_lines=$(cat "$src/README.md")

# The shipped configuration, line for line, where the pages show it.
while read -r file places; do
  while IFS= read -r line; do
    for place in $places; do
      verdict "$place lacks the line of $file: $line" "$(shown_in "$place" "$line")"
    done
  done < <(lines_of "$src/$file")
done <<'SHIPPED'
examples/tovrin.procmailrc check_lines readme_lines
examples/postfix/main.cf policy_lines readme_lines
examples/postfix/master.cf policy_lines readme_lines
examples/exim4/localmacros rotating_lines readme_lines
SHIPPED

# The lines added by hand are the ones the mail-system tests run.
mta=$src/tests/mta
while IFS='|' read -r test places line; do
  verdict "$test does not run: $line" "$(grep -qF -- "$line" "$mta/$test" && echo yes || echo no)"
  for place in $places; do
    verdict "$place does not show: $line" "$(shown_in "$place" "$line")"
  done
done <<'BY_HAND'
smtp_lib.sh|policy_lines readme_lines|useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin tovrin
smtp_lib.sh|policy_lines replace_lines readme_lines|install -d -m 750 -o root -g tovrin /etc/tovrin
smtp_lib.sh|policy_lines replace_lines readme_lines|chgrp tovrin /etc/tovrin/secret
smtp_lib.sh|policy_lines replace_lines readme_lines|chmod 640 /etc/tovrin/secret
postfix_smtp_test.sh|policy_lines check_lines readme_lines|postconf -e "recipient_delimiter = +-"
exim_smtp_test.sh|rotating_lines readme_lines|usermod -aG tovrin Debian-exim
exim_lib.sh|rotating_lines check_lines readme_lines|local_part_suffix = -*
exim_lib.sh|rotating_lines check_lines readme_lines|local_part_suffix_optional
exim_test.sh|check_lines readme_lines|MAIN_IGNORE_BOUNCE_ERRORS_AFTER = 0s
lib.sh|check_lines readme_lines|"|/usr/bin/procmail -p"
BY_HAND
widen=$(sed -n "/^read -r widen_filter <<'COMMAND'$/{n;p}" "$mta/postfix_test.sh")
verdict "the Postfix test widens the filter" "$([ -n "$widen" ] && echo yes)"
for place in check_lines readme_lines; do
  verdict "$place shows the Postfix test's command: $widen" "$(shown_in "$place" "$widen")"
done
verdict "the Exim test names the routers local_user and userforward" \
  "$(grep -q 'configure_exim local_user' "$mta/exim_smtp_test.sh" &&
    grep -q 'configure_exim userforward' "$mta/exim_test.sh" && echo yes)"

# The README's shell lines that cut the tag out of an address, run on an
# address the creator made, and on one whose local part holds an @.
cut_lines=$(grep -E '^    tag=\$\{(address|tag)' "$src/README.md" | sed 's/^    //')
verdict "the README shows two lines that cut the tag" "$([ "$(wc -l <<<"$cut_lines")" -eq 2 ] && echo yes)"
secret=$(mktemp)
trap 'rm -f "$secret"' EXIT
head -c 64 /dev/urandom >"$secret"
for suffix in @lists.example.org '@odd@lists.example.org'; do
  address=$(SENDER=alice@example.org "$create" 600 reply- "$secret" "$suffix")
  tag=$(address=$address sh -c "$cut_lines"'
printf %s "$tag"')
  [ "$suffix" = @lists.example.org ] && want=0 || want=100
  SENDER=alice@example.org "$check" "$secret" "$tag" 2>/dev/null
  verdict "the README's lines cut a tag from $address that checks as $want" \
    "$([ $? -eq $want ] && echo yes)"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

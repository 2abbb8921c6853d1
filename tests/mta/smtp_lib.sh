# Shared by the tests at SMTP time (postfix_smtp_test.sh,
# exim_smtp_test.sh): tovrin installed where the package puts it, since the
# shipped configuration names those paths, and the users that mail goes to.
# Whatever stood at those paths is moved aside and put back at exit, and a
# system user tovrin that these tests make is removed again. Sourced after
# lib.sh, with build and src set.

# Moves path aside, if anything is there, until the test ends.
put_aside() {
  local path=$1 saved
  saved=$scratch/aside$path
  if [ -e "$path" ] || [ -L "$path" ]; then
    mkdir -p "$(dirname "$saved")"
    mv "$path" "$saved"
    at_exit "rm -rf '$path'; mv '$saved' '$path'"
  else
    at_exit "rm -rf '$path'"
  fi
}

# The system user the policy service runs as, with its own primary group,
# which may read the secret.
tovrin_user_add() {
  if ! getent passwd tovrin >/dev/null; then
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin tovrin
    at_exit "userdel tovrin; groupdel tovrin 2>/dev/null"
  fi
}

# The programs in /usr/bin, the Exim ACL in /usr/share/tovrin, and
# /etc/tovrin/secret, 0640 root:tovrin in /etc/tovrin, 0750 root:tovrin, as
# the pages tell the administrator to make it.
system_install() {
  local program
  tovrin_user_add
  for program in tovrin-create tovrin-check tovrin-check-rotating tovrin-policy; do
    put_aside "/usr/bin/$program"
    install -m 755 "$build/tools/$program" /usr/bin/
  done
  put_aside /usr/bin/tovrin-secret-replace
  install -m 755 "$src/tools/tovrin-secret-replace" /usr/bin/
  put_aside /usr/share/tovrin
  install -d /usr/share/tovrin
  install -m 644 "$src/examples/exim4/rcpt.acl" /usr/share/tovrin/exim4-rcpt.acl
  put_aside /etc/tovrin
  install -d -m 750 -o root -g tovrin /etc/tovrin
  tovrin-secret-replace /etc/tovrin/secret
  chgrp tovrin /etc/tovrin/secret
  chmod 640 /etc/tovrin/secret
}

# reply receives reply-<tag> mail, alice untagged mail; both in Maildirs.
smtp_users_add() {
  user_add reply
  user_add alice
}

# The cases and the load, over SMTP from 127.0.0.2 to the MTA's port;
# with --rcpt-class SENDER, only the class of the reply to one good tag.
run_smtp_cases() {
  local port=$1
  shift
  python3 "$src/tests/mta/smtp_cases.py" --mta "$mta" --port "$port" --source 127.0.0.2 --domain "$domain" \
    --bin /usr/bin --secret /etc/tovrin/secret --maildir "$scratch/home/reply/Maildir" \
    --untagged-maildir "$scratch/home/alice/Maildir" --log "$log" "$@"
}

# A checker in /usr/bin that is missing, or dies of a signal: mail waits.
# restart (optional) makes the MTA start the program afresh.
expect_broken_checker_defers() {
  local port=$1 program=$2 restart=${3:-:}
  mv "/usr/bin/$program" "$scratch/$program.real"
  $restart
  verdict "$program missing: RCPT" "$(run_smtp_cases "$port" --rcpt-class "alice@$domain")" 4xx
  printf '#!/bin/sh\nkill -9 $$\n' >"/usr/bin/$program"
  chmod 755 "/usr/bin/$program"
  $restart
  verdict "$program killed by a signal: RCPT" "$(run_smtp_cases "$port" --rcpt-class "alice@$domain")" 4xx
  mv "$scratch/$program.real" "/usr/bin/$program"
  $restart
}

# Mail submitted on the host itself never meets the check: a forged tag
# handed to sendmail is delivered. send FROM TO ID is the MTA's own
# submission.
expect_local_submission_unchecked() {
  local forged
  forged=reply-$(SENDER=alice@$domain tovrin-create 3600 '' /etc/tovrin/secret '' | tr a-p b-pa)@$domain
  send "alice@$domain" "$forged" local-forged
  wait_until 20 eval '[ "$(count_in "$scratch/home/reply/Maildir" local-forged)" -ge 1 ]'
  verdict "forged tag submitted locally with sendmail: delivered" \
    "$(count_in "$scratch/home/reply/Maildir" local-forged)" 1
}

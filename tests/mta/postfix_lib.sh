# Shared by the tests through a real Postfix (postfix_test.sh,
# postfix_smtp_test.sh): its configuration, queue and log in the scratch
# tree, starting, stopping and reloading it, and its queue. Sourced after
# lib.sh.

etc=$scratch/postfix
log=$scratch/maillog
# Postfix's own commands (sendmail, postqueue, postconf) read this.
export MAIL_CONFIG=$etc

postfix_start() {
  if ! postfix -c "$etc" start >/dev/null 2>&1; then
    echo "postfix_test: Postfix did not start:" >&2
    script -qc "postfix -c $etc check" /dev/null >&2
    cat "$log" >&2 2>/dev/null
    exit 1
  fi
  at_exit postfix_stop
  wait_until 20 grep -q 'daemon started' "$log"
}
postfix_stop() {
  local pid
  pid=$(cat "$scratch/spool/pid/master.pid" 2>/dev/null | tr -d ' ')
  postfix -c "$etc" stop >/dev/null 2>&1
  [ -n "$pid" ] && wait_until 30 eval "! kill -0 $pid 2>/dev/null"
}
postfix_reload() {
  local reloads
  reloads=$(grep -c 'reload --' "$log")
  postfix -c "$etc" reload >/dev/null 2>&1
  wait_until 20 eval '[ "$(grep -c "reload --" "$log")" -gt '"$reloads"' ]'
}

queue_count() { postqueue -j | wc -l; }
queue_is_empty() { [ "$(queue_count)" -eq 0 ]; }

# Part of postfix_test.sh: a load through the same Postfix. Batches of good
# tags, each issued with the secret current when it is sent, and forged ones.
# In the middle of every batch but the first, the secret is replaced with
# tovrin-secret-replace while mail is in the queue, and the recipe checks
# with tovrin-check-rotating. As the README says, a secret is replaced again
# only once the tags made with secret.old are done with: here, once the batch
# before has left the queue.

batches=6 good_per_batch=60 forged_per_batch=10
recipe_use tovrin-check-rotating
senders=("alice@$domain" "bob@$domain" "carol@$domain" "")

# How many log lines about messages whose id starts with prefix match what.
count_lines() {
  awk -v prefix="message-id=<$1" -v what="$2" '
    { q = $6; sub(":", "", q) }
    index($0, prefix) { ids[q] = 1; next }
    (q in ids) && $0 ~ what { n++ }
    END { print n + 0 }' "$log"
}
batch_done() { [ "$(count_lines "load$1-" ' removed$')" -ge $((good_per_batch + forged_per_batch)) ]; }

# Submits a batch from eight processes at once, as a busy site would.
send_batch() {
  local b=$1 lane i from
  for ((lane = 0; lane < 8; lane++)); do
    (
      for ((i = lane; i < good_per_batch; i += 8)); do
        from=${senders[i % ${#senders[@]}]}
        send "${from:-<>}" "reply-$(tag_for "$from")$at" "load$b-good$i"
      done
      for ((i = lane; i < forged_per_batch; i += 8)); do
        send "mallory$at" "reply-$(with_other_letter "$(tag_for "$alice")")$at" "load$b-forged$i"
      done
    ) &
  done
  wait
}
in_queue() { find "$scratch/spool"/{maildrop,incoming,active,deferred} -type f | wc -l; }

started=$(date +%s.%N)
in_flight=()
# Remembers what it saw: the queue at the moment of the replacement.
queue_holds() {
  seen=$(in_queue)
  [ "$seen" -ge "$1" ]
}
for ((b = 0; b < batches; b++)); do
  send_batch "$b" &
  if ((b > 0)); then
    wait_until 60 batch_done $((b - 1))
    wait_until 30 queue_holds 2
    in_flight+=("$seen")
    "$bin/tovrin-secret-replace" "$secret"
  fi
  wait
done
for ((b = 0; b < batches; b++)); do wait_until 120 batch_done "$b"; done
finished=$(date +%s.%N)

# One pass over what reply received, and one over the bounces.
grep -ho "^Message-ID: <load[^>]*>" "$maildir"/new/* | sort | uniq -c >"$scratch/received"
grep -ho "^Message-ID: <load[0-9]*-forged[^>]*>" "$catchall"/new/* | sort -u >"$scratch/dsns"
total=$((batches * (good_per_batch + forged_per_batch)))
good=$((batches * good_per_batch)) forged=$((batches * forged_per_batch))
echo "Load: $good good tags from ${#senders[@]} senders (the null sender among them), $forged forged," \
  "$((batches - 1)) replacements of the secret"
verdict "load: good messages delivered exactly once" \
  "$(awk '$1 == 1 && $3 ~ /good/' "$scratch/received" | wc -l)" "$good"
verdict "load: messages delivered more than once" "$(awk '$1 > 1' "$scratch/received" | wc -l)" 0
verdict "load: forged messages delivered" "$(grep -c forged "$scratch/received")" 0
verdict "load: forged messages bounced to their sender" "$(wc -l <"$scratch/dsns")" "$forged"
verdict "load: messages deferred" "$(count_lines load status=deferred)" 0
verdict "load: replacements with mail in the queue" \
  "$(printf '%s\n' "${in_flight[@]}" | awk '$1 > 0' | wc -l)" "$((batches - 1))"
echo "  messages in the queue at each replacement: ${in_flight[*]}"
awk -v n="$total" -v s="$started" -v f="$finished" \
  'BEGIN { printf "  %d messages in %.1f s: %.1f messages per second, submission to last delivery\n", n, f - s, n / (f - s) }'

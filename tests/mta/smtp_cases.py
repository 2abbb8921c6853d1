#!/usr/bin/env python3
"""Reply tags checked at RCPT time, through a real MTA over SMTP.

One table of cases serves Postfix and Exim. A client connects from
--source (a loopback address outside the MTA's trusted networks) to
--port on 127.0.0.1, reads the reply to each RCPT, and sends the message
when some recipient was accepted; deliveries are counted in the Maildir of
the user that reply-<tag> routes to. Tags come from the installed
tovrin-create, replacements of the secret from tovrin-secret-replace.
Then a load: concurrent connections, good and forged tags, and two
replacements of the secret while they run.

Prints one line per verdict and exits 1 when any failed.
"""

import argparse
import concurrent.futures
import glob
import os
import smtplib
import subprocess
import threading
import time

args = None
verdicts = {"passed": 0, "failed": 0}
lock = threading.Lock()


def verdict(name, got, wanted):
    with lock:
        if got == wanted:
            verdicts["passed"] += 1
            print(f"  {name}: {got}", flush=True)
        else:
            verdicts["failed"] += 1
            print(f"FAILED: {name}: {got}, wanted {wanted}", flush=True)


def tag(sender, lifetime=3600):
    """A reply address with a tag from the installed creator."""
    made = subprocess.run(
        [f"{args.bin}/tovrin-create", str(lifetime), "reply-", args.secret, f"@{args.domain}"],
        env={"SENDER": sender, "PATH": "/usr/bin:/bin"},
        capture_output=True, check=True)
    return made.stdout.decode()


def changed_letter(address):
    local, domain = address.split("@")
    return local[:-1] + ("b" if local[-1] == "a" else "a") + "@" + domain


def replace_secret():
    subprocess.run([f"{args.bin}/tovrin-secret-replace", args.secret], check=True)


def connect(source=None):
    smtp = smtplib.SMTP("127.0.0.1", args.port, source_address=(source or args.source, 0),
                        timeout=30)
    smtp.ehlo("client.example.net")
    return smtp


def message(sender, recipients, msgid):
    # A bounce, from the null sender, still names someone in From:.
    sender = sender or f"mailer-daemon@{args.domain}"
    return (f"From: <{sender}>\r\nTo: {', '.join(recipients)}\r\nSubject: {msgid}\r\n"
            f"Message-ID: <{msgid}@{args.domain}>\r\n\r\nbody of {msgid}\r\n")


def reply_class(code):
    return f"{code // 100}xx"


def transaction(smtp, sender, recipients, msgid):
    """MAIL, one RCPT per recipient, DATA when one was accepted; the class
    of each RCPT reply."""
    smtp.mail(sender)
    classes = [reply_class(smtp.rcpt(r)[0]) for r in recipients]
    if "2xx" in classes:
        code, text = smtp.data(message(sender, recipients, msgid))
        verdict(f"{msgid}: DATA", reply_class(code), "2xx")
    else:
        smtp.rset()
    return classes


def delivered(msgid, maildir=None):
    """Copies of msgid in the Maildir, once no more arrive for a moment."""
    maildir = maildir or args.maildir
    def count():
        n = 0
        for path in glob.glob(os.path.join(maildir, "new", "*")):
            with open(path, "rb") as f:
                if f"<{msgid}@{args.domain}>".encode() in f.read():
                    n += 1
        return n
    deadline = time.time() + 20
    while count() == 0 and time.time() < deadline:
        time.sleep(0.05)
    time.sleep(0.3)
    return count()


case_number = 0


def expect(name, sender, recipients, wanted_classes, wanted_copies, maildir=None, source=None):
    """One transaction in a session of its own."""
    global case_number
    case_number += 1
    msgid = f"smtp{case_number}"
    with connect(source) as smtp:
        classes = transaction(smtp, sender, recipients, msgid)
    verdict(f"{name}: RCPT", " ".join(classes), " ".join(wanted_classes))
    # With no recipient accepted there is no message to wait for.
    copies = delivered(msgid, maildir) if "2xx" in classes else 0
    verdict(f"{name}: delivered", copies, wanted_copies)
    if copies != wanted_copies and args.log:
        with open(args.log, errors="replace") as log:
            print("".join(log.readlines()[-20:]), flush=True)


def cases():
    domain = args.domain
    alice, mallory = f"alice@{domain}", "mallory@example.net"
    odd = "o'brien&x@example.org"
    good = tag(alice)

    expect("good tag", alice, [good], ["2xx"], 1)
    expect("changed letter", alice, [changed_letter(good)], ["5xx"], 0)
    # Exim lower-cases the local part before its ACL sees it; Postfix
    # passes it as the client sent it.
    local, at_domain = good.split("@")
    upper = local[:-3] + local[-3:].upper() + "@" + at_domain
    expect("letters in upper case", alice, [upper], ["2xx" if args.mta == "exim" else "5xx"],
           1 if args.mta == "exim" else 0)
    expect("expired", alice, [tag(alice, 2**64 - 1)], ["5xx"], 0)
    expect("another sender", mallory, [good], ["5xx"], 0)
    expect("null sender, its own tag", "", [tag("")], ["2xx"], 1)
    expect("null sender, someone else's tag", "", [good], ["5xx"], 0)
    expect("sender o'brien&x, its own tag", odd, [tag(odd)], ["2xx"], 1)
    # A quoted local part: Postfix hands it over unquoted, Exim keeps the
    # quotes, and the tag must be issued for that form.
    quoted = '"john doe"@example.org'
    passed = quoted if args.mta == "exim" else "john doe@example.org"
    other = "john doe@example.org" if args.mta == "exim" else quoted
    expect(f"sender {quoted}, tag for {passed}", quoted, [tag(passed)], ["2xx"], 1)
    expect(f"sender {quoted}, tag for {other}", quoted, [tag(other)], ["5xx"], 0)
    expect("garbage tag of 300 bytes", alice, [f"reply-{'g' * 300}@{domain}"], ["5xx"], 0)
    expect("a good and a forged recipient in one transaction", alice,
           [tag(alice), changed_letter(tag(alice))], ["2xx", "5xx"], 1)
    expect("untagged beside forged in one transaction", alice,
           [f"alice@{domain}", changed_letter(good)], ["2xx", "5xx"], 1, args.untagged_maildir)

    # A trusted client (mynetworks, relay_from_hosts) is let through
    # before the check: a forged tag from it is accepted.
    expect("forged tag from the trusted 127.0.0.1", alice, [changed_letter(good)], ["2xx"], 1,
           source="127.0.0.1")

    # The secret missing: tagged mail waits, untagged mail goes on, and the
    # same session is answered again once the secret is back.
    away = args.secret + ".away"
    os.rename(args.secret, away)
    case_id = "smtp-missing"
    with connect() as smtp:
        smtp.mail(alice)
        verdict("secret missing: tagged RCPT", reply_class(smtp.rcpt(good)[0]), "4xx")
        verdict("secret missing: untagged RCPT", reply_class(smtp.rcpt(f"alice@{domain}")[0]), "2xx")
        smtp.rset()
        os.rename(away, args.secret)
        verdict("secret back: the same session", " ".join(transaction(smtp, alice, [good], case_id)), "2xx")
    verdict("secret back: delivered", delivered(case_id), 1)

    # A tag made before one replacement passes; before two, it is refused.
    before = tag(alice)
    replace_secret()
    expect("tag from before one replacement", alice, [before], ["2xx"], 1)
    replace_secret()
    expect("tag from before two replacements", alice, [before], ["5xx"], 0)


def load():
    """Concurrent connections while the secret is replaced twice. Each
    phase presents tags made with the current secret and tags made one
    replacement ago; never older ones."""
    domain = args.domain
    senders = [f"alice@{domain}", f"bob@{domain}", "carol@example.net", ""]
    connections, sessions, good_per_session = 10, 2, 4
    forged_per_session = 1
    rcpts = {"good": 0, "forged": 0, "good refused": 0, "forged accepted": 0}
    elapsed = 0.0

    def batch():
        return {s: [tag(s) for _ in range(connections * sessions * good_per_session // len(senders) + 1)]
                for s in senders}

    def connection(worker, phase, fresh, previous):
        counts = {"good": 0, "forged": 0, "good refused": 0, "forged accepted": 0}
        for session in range(sessions):
            sender = senders[(worker + session) % len(senders)]
            tags = fresh[sender] + previous.get(sender, [])
            good = [tags[(worker * 7 + session * 3 + k) % len(tags)] for k in range(good_per_session)]
            forged = [changed_letter(g) for g in good[:forged_per_session]]
            with connect() as smtp:
                smtp.mail(sender)
                for r in good:
                    counts["good"] += 1
                    if smtp.rcpt(r)[0] // 100 != 2:
                        counts["good refused"] += 1
                for r in forged:
                    counts["forged"] += 1
                    if smtp.rcpt(r)[0] // 100 != 5:
                        counts["forged accepted"] += 1
                smtp.rset()
        return counts

    previous = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=connections) as pool:
        for phase in range(3):
            if phase > 0:
                replace_secret()
            fresh = batch()
            started = time.time()
            for counts in pool.map(lambda w: connection(w, phase, fresh, previous), range(connections)):
                for k in counts:
                    rcpts[k] += counts[k]
            elapsed += time.time() - started
            previous = fresh
    total = rcpts["good"] + rcpts["forged"]
    print(f"  load: {total} RCPTs ({rcpts['good']} good from {len(senders)} senders, the null sender "
          f"among them, {rcpts['forged']} forged) over {connections} concurrent connections, "
          f"2 replacements: {total / elapsed:.0f} RCPTs per second", flush=True)
    verdict("load: good RCPTs refused", rcpts["good refused"], 0)
    verdict("load: forged RCPTs accepted", rcpts["forged accepted"], 0)
    verdict("load: at least 300 RCPTs", total >= 300, True)


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--mta", choices=["postfix", "exim"], required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--source", default="127.0.0.2")
    parser.add_argument("--domain", required=True)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--secret", required=True)
    parser.add_argument("--maildir", required=True, help="where reply-<tag> mail lands")
    parser.add_argument("--untagged-maildir", required=True, help="where mail for alice lands")
    parser.add_argument("--log", help="the MTA's log, shown when a delivery count is wrong")
    parser.add_argument("--rcpt-class", metavar="SENDER",
                        help="only print the class of the reply to RCPT for a good tag of SENDER")
    args = parser.parse_args()
    if args.rcpt_class is not None:
        sender = "" if args.rcpt_class == "<>" else args.rcpt_class
        with connect() as smtp:
            smtp.mail(sender)
            print(reply_class(smtp.rcpt(tag(sender))[0]))
        return 0
    cases()
    load()
    print(f"{verdicts['passed']} passed, {verdicts['failed']} failed", flush=True)
    return 1 if verdicts["failed"] else 0


if __name__ == "__main__":
    raise SystemExit(main())

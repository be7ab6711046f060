#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The reporter end to end: a kiosk account's refused accesses reach the log
# while trace mode is on and only then, the allowed one never does, the
# stand-in dmesg clears the log, and uccollect turns it into rules.
#
# Needs root (fanotify, setpriv); exits 77 otherwise. Everything it writes
# goes below a temporary directory or the scratch root and is removed again.
set -u

[ "$(id -u)" = 0 ] || { echo "needs root"; exit 77; }
command -v setpriv >/dev/null || { echo "needs setpriv"; exit 77; }
account=nobody
uid=$(id -u "$account" 2>/dev/null) || { echo "needs the account $account"; exit 77; }

work=$(mktemp -d /tmp/tavrixtracedtest.XXXXXX)
chmod 755 "$work"
profile=$USER_PROFILES/$account
touched=("$profile" "$COMPLAIN" "$ENFORCE" "$KERNEL_LOG")
reporter=

cleanup() {
    if [ -n "$reporter" ]; then
        kill -TERM "$reporter" 2>/dev/null
        wait "$reporter"
        echo "reporter stopped with $?"
    fi
    # Put back what was there before, remove what was not.
    for i in "${!touched[@]}"; do
        if [ -e "$work/saved$i" ]; then cp -p "$work/saved$i" "${touched[$i]}"; else rm -f "${touched[$i]}"; fi
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
for i in "${!touched[@]}"; do
    [ -e "${touched[$i]}" ] && cp -p "${touched[$i]}" "$work/saved$i"
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

trace() { # on|off
    mkdir -p "$(dirname "$COMPLAIN")"
    if [ "$1" = on ]; then echo 1 >"$COMPLAIN"; echo 0 >"$ENFORCE"; else echo 0 >"$COMPLAIN"; echo 0 >"$ENFORCE"; fi
}
as_kiosk() { setpriv --reuid="$account" --regid="$(id -g "$account")" --clear-groups "$@"; }
# The access is made by the shell itself, which then lingers: a process that
# never starts a program and ends at once may be gone before the reporter
# reads its uid, a race the benchmark measures (benchmarks/module) and this
# test must not depend on. One that starts a program is known from its start
# (checked below).
kiosk_sh() { as_kiosk sh -c "$1; sleep 0.3"; }
# Waits until the log holds a line matching $1 (the reporter reads events
# within milliseconds; ten seconds is for a loaded machine).
await() {
    for _ in $(seq 100); do
        "$DMESG" | grep -q -- "$1" && return 0
        sleep 0.1
    done
    return 1
}
reported() { "$DMESG" | grep -q -- "tavrix: trace uid=$uid $1 $work/$2\$"; }

for f in allowed refused offphase sentinel sentinel2 sentinel3 both; do echo "$f" >"$work/$f"; done
chmod 666 "$work/both"
echo "mine" >"$work/mine"
chown "$account" "$work/mine"
mkdir "$work/box"
chown "$account" "$work/box"
mkdir -p "$USER_PROFILES"
printf '+file r o: %s/allowed\n' "$work" >"$profile"

trace off
"$DMESG" -C || fail "dmesg -C on a missing log"
"$TRACED" >"$work/out" 2>"$work/err" &
reporter=$!
for _ in $(seq 100); do
    grep -qx ready "$work/out" && break
    kill -0 "$reporter" 2>/dev/null || break
    sleep 0.1
done
if ! grep -qx ready "$work/out"; then
    echo "the reporter did not start:"; cat "$work/err"
    exit 1
fi

# Trace mode off: nothing is reported. The reporter reads the switches for
# each batch, so it gets a moment to take these accesses before trace mode goes on.
kiosk_sh "read -r line <'$work/offphase'"
sleep 1
trace on

kiosk_sh "read -r line <'$work/allowed'"
kiosk_sh "read -r line <'$work/refused'"
# A file written counts as read and written, however it was opened.
kiosk_sh "echo more >>'$work/mine'"
kiosk_sh "exec 3<>'$work/both'; sleep 0.3; exec 3>&-"
kiosk_sh ": >'$work/box/new'"
kiosk_sh "echo saved >'$work/box/.saving'; mv '$work/box/.saving' '$work/box/saved'"
as_kiosk perl -e 'symlink("../refused", $ARGV[0]) or die "symlink: $!"; select(undef, undef, undef, 0.3)' "$work/box/link"
kiosk_sh "read -r line <'$work/sentinel'"
await "$work/sentinel\$" || fail "no report of the sentinel read"

# A program that starts, reads and ends while the reporter is held up is
# still its account's: the uid is read while its start waits. Only builtins
# run while the reporter is stopped, for every program start waits for it.
echo shortlived >"$work/shortlived"
mkfifo "$work/pause"
exec 9<>"$work/pause"
kill -STOP "$reporter"
as_kiosk cat "$work/shortlived" >/dev/null &
short=$!
read -r -t 0.5 -u 9 _
kill -CONT "$reporter"
wait "$short"
exec 9>&-
await "$work/shortlived\$" || fail "the read of a program gone before the reporter looked was lost"

reported "file r o" refused || fail "read of a root file not reported"
reported "file w u" mine || fail "write of the account's own file not reported"
reported "file r u" mine || fail "write of the account's own file not reported as a read too"
reported "file c u" box/new || fail "creation not reported"
reported "link c u" box/link || fail "creation of a link not reported as a link"
"$DMESG" | grep -q -- "$work/allowed" && fail "the allowed read was reported"
"$DMESG" | grep -q -- "$work/offphase" && fail "a read was reported while trace mode was off"
"$DMESG" | grep -- "tavrix: trace" | grep -qv "uid=$uid " && fail "a process of another account was reported"

rules=$("$DMESG" | "$UCCOLLECT" "$uid")
# VERBOSE=1 shows the log and the rules made of it.
[ -n "${VERBOSE:-}" ] && { "$DMESG"; echo "$rules"; }
for rule in "+file r o: $work/refused" "+link c u: $work/box/link"; do
    grep -qxF -- "$rule" <<<"$rules" || fail "uccollect gave no '$rule'"
done
grep -qxE -- "\+file [rcw]{3} u: $work/box/new" <<<"$rules" || fail "uccollect did not merge the creation and the write of box/new"
grep -qxE -- "\+file [rw]{2} o: $work/both" <<<"$rules" || fail "a read-write open did not give rw"
grep -qxE -- "\+file [rw]{2} u: $work/mine" <<<"$rules" || fail "an append did not give rw"
grep -qxE -- "\+file [rwc]{3} u: $work/box/saved" <<<"$rules" || fail "a file saved by a rename did not give rwc on its final name"
[ "$(grep -c -- "$work/box/new" <<<"$rules")" = 1 ] || fail "uccollect gave box/new more than once"
grep -q -- "$work/allowed" <<<"$rules" && fail "uccollect gave the allowed file"

"$DMESG" -C || fail "dmesg -C failed"
[ -z "$("$DMESG")" ] || fail "dmesg -C left lines in the log"
# Reports go on after the log was emptied, and after it was removed.
kiosk_sh "read -r line <'$work/sentinel2'"
await "$work/sentinel2\$" || fail "nothing reported after dmesg -C"
rm -f "$KERNEL_LOG"
kiosk_sh "read -r line <'$work/sentinel3'"
await "$work/sentinel3\$" || fail "nothing reported after the log was removed"

trace off
if [ -s "$work/err" ]; then echo "reporter said:"; cat "$work/err"; fi
[ "$failures" = 0 ] && echo "all checks passed"
exit $((failures > 0))

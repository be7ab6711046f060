#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks kauthclient's progress lines and its stop request against the
# progress helper on the test bus: the steps come first, each on its own line
# and while the action still runs, and --stop-after reaches the helper while
# the client goes on waiting for its reply.
#
#   kauthclienttest.sh KAUTHCLIENT   (run under run-with-system-bus.sh)

set -u
client=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

action() {
    "$client" --helper-id org.orla.testbus.progress --timeout 60000 run "$@"
}
expectOutput() {
    local what=$1 expected=$2 actual
    actual=$(cat "$work/out")
    [ "$actual" = "$expected" ] || fail "$what: got
$actual"
}

start=$SECONDS
action --stop-after 0.5 waitMs=30000 >"$work/out"
status=$?
[ "$status" = 0 ] || fail "a stopped action came back as $status"
[ $((SECONDS - start)) -lt 15 ] || fail "the stop did not end the helper's wait"
expectOutput "stopped action" '{"progress":{"step":1}}
{"progress":50}
success
{"stopped":true}'

action waitMs=200 >"$work/out"
expectOutput "action left to end" '{"progress":{"step":1}}
{"progress":50}
success
{"stopped":false}'

# The steps are readable while the helper still waits.
# A sanitizer build starts slowly: the helper waits long enough for any
# machine to read its steps, and is stopped once they have been read.
action --stop-after 25 waitMs=60000 >"$work/out" &
clientPid=$!
for i in $(seq 400); do
    [ "$(wc -l <"$work/out")" -ge 2 ] && break
    sleep 0.05
done
kill -0 "$clientPid" 2>/dev/null || fail "the action ended too soon to check"
[ "$(wc -l <"$work/out")" -ge 2 ] || fail "the progress lines were held back while the action ran"
grep -q success "$work/out" && fail "the result came before the action ended"
# The harness ends the helper still waiting with the run.
kill "$clientPid" 2>/dev/null
wait "$clientPid" 2>/dev/null

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all kauthclient checks passed"

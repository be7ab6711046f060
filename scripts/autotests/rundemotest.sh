#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The demo's clean-up removes exactly the accounts the demo recorded as its
# own: an account of a demo name that someone else made stays, and so does
# anything else a doctored record names.
#
# Runs under the test bus with --accounts, so the accounts come and go in a
# copy-on-write /etc and the machine's own stay as they were.
#
#   rundemotest.sh RUN-DEMO-SCRIPT
set -u
script=$1
if [ "$(id -u)" != 0 ]; then
    echo "the demo's clean-up needs root"
    exit 77
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
exists() { id -u "$1" >/dev/null 2>&1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
record=$work/created-accounts

for name in kioskdemo-lab kioskdemo-guest kioskdemo-other; do
    adduser --disabled-password --gecos "" "$name" >/dev/null || { echo "cannot add $name"; exit 1; }
done
# Only kioskdemo-lab is the demo's own; kioskdemo-guest was there before it.
printf '%s\n' kioskdemo-lab root kioskdemo-other 'kioskdemo-lab; touch /tmp/x' >"$record"

ORLA_DEMO_ACCOUNTS_RECORD=$record bash "$script" --remove-accounts >"$work/out" 2>&1 || fail "clean-up failed: $(cat "$work/out")"
exists kioskdemo-lab && fail "the demo's own account was not removed"
exists kioskdemo-guest || fail "an account the demo did not create was removed"
exists root || fail "root was removed"
# kioskdemo-other is a name of no demo account; the record is not trusted for it.
exists kioskdemo-other || fail "an account that is not the demo's was removed"
[ -e "$record" ] && fail "the record outlived the accounts it named"

# Nothing recorded: nothing removed.
ORLA_DEMO_ACCOUNTS_RECORD=$record bash "$script" --remove-accounts >"$work/out" 2>&1 || fail "clean-up without a record failed"
exists kioskdemo-guest || fail "an account was removed without a record"

for name in kioskdemo-guest kioskdemo-other; do
    userdel -f "$name" >/dev/null 2>&1
done
if [ $failures -gt 0 ]; then
    exit 1
fi
echo "PASS"

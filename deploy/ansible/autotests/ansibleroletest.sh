#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The orla_kiosk role with ansible-playbook against two local hosts. Each
# host is a run of the test bus harness: private mount and pid namespaces
# with their own bus, polkitd and helper, and the host's own kiosk tree
# mounted over the build's scratch root. Ansible reaches them through its
# local connection; each host's orla_kiosk_command enters its namespaces.
#
#   ansibleroletest.sh ORLA_KIOSK HARNESS BUS_CONFIG SCRATCH_ROOT PLAYBOOK_DIR
#
# The first run changes both hosts and leaves their trees the bundle's, the
# second changes nothing (kiosk mode included), a bundle with a broken profile fails on both and
# changes nothing.

set -u
orlaKiosk=$1 harness=$2 busConfig=$3 scratchRoot=$4 playbookDir=$5
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ "$(id -u)" = 0 ] || { echo "needs root"; exit 77; }
command -v ansible-playbook >/dev/null || { echo "ansible-playbook is not installed"; exit 77; }
unshare -m -p -f --mount-proc --propagation private true 2>/dev/null || { echo "no private namespaces here"; exit 77; }

work=$(mktemp -d /tmp/orla-ansible.XXXXXX)
hosts=(hosta hostb)
declare -A harnessPid
cleanup() {
    local h
    for h in "${hosts[@]}"; do
        [ -n "${harnessPid[$h]:-}" ] && kill -TERM "${harnessPid[$h]}" 2>/dev/null && wait "${harnessPid[$h]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The process of the harness's own namespaces: the child of its unshare.
namespacePid() {
    local unsharePid
    unsharePid=$(ps -o pid= --ppid "$1" | head -n1 | tr -d ' ')
    [ -n "$unsharePid" ] && ps -o pid= --ppid "$unsharePid" | head -n1 | tr -d ' '
}

for h in "${hosts[@]}"; do
    root=$work/$h/root
    mkdir -p "$root/etc/tavrix/kiosk2-profiles" "$root/etc/tavrix/kiosk2" "$root/sys/module/tavrix/parameters"
    printf '0\n' >"$root/sys/module/tavrix/parameters/uc_enforce"
    printf '0\n' >"$root/sys/module/tavrix/parameters/uc_complain"
    printf '0\n' >"$root/etc/tavrix/kiosk2_enforce"
    chmod -R go-w "$work/$h"
    "$harness" --config "$busConfig" -- bash -c 'echo "$DBUS_SYSTEM_BUS_ADDRESS" >"$1.tmp" && mv "$1.tmp" "$1" && while :; do sleep 1; done' \
        host "$work/$h/bus" >"$work/$h/harness.log" 2>&1 &
    harnessPid[$h]=$!
done
for h in "${hosts[@]}"; do
    for i in $(seq 200); do
        [ -s "$work/$h/bus" ] && break
        sleep 0.05
    done
    [ -s "$work/$h/bus" ] || { cat "$work/$h/harness.log"; echo "the bus of $h did not come up"; exit 1; }
    pid=$(namespacePid "${harnessPid[$h]}")
    [ -n "$pid" ] || { echo "no namespace process for $h"; exit 1; }
    # The host's tree stands where the build, and the helper it starts, look.
    nsenter --target "$pid" --mount mount --bind "$work/$h/root" "$scratchRoot" || { echo "cannot mount the tree of $h"; exit 1; }
    echo "$h:
      ansible_connection: local
      ansible_python_interpreter: /usr/bin/python3
      ansible_become: false
      orla_kiosk_bundle_dest: $work/$h/cache/bundle.okb
      orla_kiosk_command: [nsenter, --target, '$pid', --mount, --pid, --, env, 'DBUS_SYSTEM_BUS_ADDRESS=$(cat "$work/$h/bus")', '$orlaKiosk']" \
        >>"$work/hosts"
done
{
    echo "kiosks:"
    echo "  hosts:"
    sed 's/^/    /' "$work/hosts"
} >"$work/inventory.yml"

# The configuration prepared on one machine.
source=$work/source
mkdir -p "$source/kiosk2-profiles" "$source/kiosk2/disabled"
printf '+file r uo: /etc/hosts\n' >"$source/kiosk2-profiles/base"
printf '@include base\n+file rw u: /var/tmp/browser\n' >"$source/kiosk2-profiles/browser"
printf '@include browser\n' >"$source/kiosk2/daemon"
printf '@include base\n' >"$source/kiosk2/disabled/bin"
printf '1\n' >"$source/kiosk2_enforce"
"$orlaKiosk" export "$work/room.okb" "$source" >/dev/null || { echo "cannot export the bundle"; exit 1; }

export ANSIBLE_LOCAL_TEMP=$work/ansible-local ANSIBLE_REMOTE_TEMP=$work/ansible-remote ANSIBLE_NOCOLOR=1
export ANSIBLE_STDOUT_CALLBACK=json ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_HOST_KEY_CHECKING=0
playbook() {
    ansible-playbook -i "$work/inventory.yml" "$playbookDir/site.yml" -e "orla_kiosk_bundle=$1" >"$work/run.json" 2>"$work/run.err"
}
# "host changed|ok|failed" of one of the role's tasks on each host.
outcome() {
    python3 -c '
import json, sys
for play in json.load(open(sys.argv[1]))["plays"]:
    for task in play["tasks"]:
        if task["task"]["name"].endswith(sys.argv[2]):
            for host, result in sorted(task["hosts"].items()):
                state = "failed" if result.get("failed") else "changed" if result.get("changed") else "ok"
                print(host, state)' "$work/run.json" "$1"
}
applied() { outcome "Apply the kiosk bundle"; }
switched() { outcome "Switch kiosk mode"; }
# Each host's tree, as a bundle: the same tree always gives the same bytes.
treeOf() { "$orlaKiosk" export "$2" "$work/$1/root/etc/tavrix" >/dev/null; }

playbook "$work/room.okb"
status=$?
[ "$status" = 0 ] || { fail "the first run failed ($status)"; cat "$work/run.err"; }
[ "$(applied)" = "hosta changed
hostb changed" ] || fail "the first run did not change both hosts: $(applied)"
treeOf hosta "$work/hosta.tree" && treeOf hostb "$work/hostb.tree" && "$orlaKiosk" export "$work/source.tree" "$source" >/dev/null
cmp -s "$work/hosta.tree" "$work/source.tree" || fail "hosta's tree is not the bundle's"
cmp -s "$work/hostb.tree" "$work/source.tree" || fail "hostb's tree is not the bundle's"
# The example playbook switches kiosk mode on once the bundle is in place.
[ "$(switched)" = "hosta changed
hostb changed" ] || fail "the first run did not switch kiosk mode on both hosts: $(switched)"
for h in "${hosts[@]}"; do
    [ "$(cat "$work/$h/root/sys/module/tavrix/parameters/uc_enforce")" = 1 ] || fail "kiosk mode is not on in $h"
done

playbook "$work/room.okb"
status=$?
[ "$status" = 0 ] || fail "the second run failed ($status)"
[ "$(applied)" = "hosta ok
hostb ok" ] || fail "the second run did not find both hosts unchanged: $(applied)"
[ "$(switched)" = "hosta ok
hostb ok" ] || fail "the second run switched kiosk mode again: $(switched)"

# A broken profile: refused on every host, nothing changed.
printf 'this is no rule\n' >>"$source/kiosk2-profiles/base"
"$orlaKiosk" export "$work/broken.okb" "$source" >/dev/null || { echo "cannot export the broken bundle"; exit 1; }
playbook "$work/broken.okb"
status=$?
[ "$status" != 0 ] || fail "the run with a broken profile succeeded"
[ "$(applied)" = "hosta failed
hostb failed" ] || fail "the broken bundle was not refused on both hosts: $(applied)"
grep -q "error: profile 'base' has invalid config lines" "$work/run.json" || fail "the refusal does not name the broken profile"
for h in "${hosts[@]}"; do
    treeOf "$h" "$work/$h.after" && cmp -s "$work/$h.after" "$work/source.tree" || fail "$h's tree changed with the broken bundle"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all ansible role checks passed"

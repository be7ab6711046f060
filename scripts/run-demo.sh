#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Shows the administration program on a realistic kiosk configuration, on a
# fresh Debian 12 machine, as root, without touching the machine's own kiosk
# configuration:
#
#   bash scripts/run-demo.sh                    build, lay out the demo, start the program
#   bash scripts/run-demo.sh --remove-accounts  remove the accounts the demo created
#
# It installs what is needed (scripts/install-deps.sh), builds in build-demo
# with the kiosk tree and module switches below build-demo/kioskroot (never
# /etc/tavrix or /sys/module/tavrix), lays out the demo tree there
# (scripts/demo-tree.sh), creates the accounts its kiosk users belong to
# (kioskdemo-reception, kioskdemo-library, kioskdemo-lab, kioskdemo-guest;
# kioskdemo-former is left without an account on purpose), and starts the
# program on a private system bus with its own polkitd, where the helper is
# reachable exactly as in the tests (testbus/run-with-system-bus.sh).
#
# With no display it starts a virtual one and says how to look at the window.
# The module's trace reporter runs beside the bus, so recording works.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
prefix=kioskdemo-
accounts=(reception library lab guest)
# The accounts this demo created, one name a line. Only these are ever
# removed: an account of the same name made by anyone else stays.
record=${ORLA_DEMO_ACCOUNTS_RECORD:-$top/build-demo/created-accounts}

is_demo_account() {
    local account
    for account in "${accounts[@]}"; do
        [ "$1" = "$prefix$account" ] && return 0
    done
    return 1
}

if [ "$(id -u)" != 0 ]; then
    echo "run-demo: run as root (it installs packages, creates accounts and starts the helper's bus)" >&2
    exit 1
fi

if [ "${1:-}" = --remove-accounts ]; then
    removed=0
    kept=()
    if [ -f "$record" ]; then
        while IFS= read -r name || [ -n "$name" ]; do
            if ! is_demo_account "$name"; then
                echo "run-demo: '$name' in $record is not one of the demo's accounts; left alone" >&2
            elif ! id -u "$name" >/dev/null 2>&1; then
                echo "run-demo: account $name is gone already"
            elif userdel -r -f "$name" 2>/dev/null || userdel -f "$name"; then
                echo "run-demo: removed account $name"
                removed=$((removed + 1))
            else
                echo "run-demo: could not remove account $name" >&2
                kept+=("$name")
            fi
        done <"$record"
    fi
    if [ ${#kept[@]} -gt 0 ]; then
        printf '%s\n' "${kept[@]}" >"$record"
    else
        rm -f "$record"
    fi
    echo "run-demo: $removed demo account(s) removed"
    if [ ${#kept[@]} -gt 0 ]; then
        exit 1
    fi
    exit 0
elif [ $# -gt 0 ]; then
    echo "usage: $0 [--remove-accounts]" >&2
    exit 64
fi

cd "$top"
bash scripts/install-deps.sh

build=build-demo
root="$top/$build/kioskroot"
cmake -S . -B "$build" -G Ninja \
    -DORLA_SYSTEM_ROOT="$root" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF \
    -DBUILD_BENCHMARKS=OFF
cmake --build "$build" -j "$(nproc)"

bash scripts/demo-tree.sh "$root" "$prefix"

for account in "${accounts[@]}"; do
    name=$prefix$account
    if ! id -u "$name" >/dev/null 2>&1; then
        adduser --disabled-password --gecos "" "$name" >/dev/null
        mkdir -p "$(dirname "$record")"
        echo "$name" >>"$record"
        echo "run-demo: created account $name (remove the demo's accounts with: bash scripts/run-demo.sh --remove-accounts)"
    fi
done

# The module's trace reporter runs beside the bus, so that recording rules
# from the program really logs what kiosk users do.
options=(--config "$build/testbus/bus" --module "$build/bin/tavrix-traced")
program=("$build/bin/orla-admin-kiosk")
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    # A virtual display with an authority cookie: recording grants the
    # recorded account access to it the way it would on a desktop.
    options+=(--display)
    program=(bash -c 'cat <<MSG
run-demo: no display here, so the program runs on a virtual one: DISPLAY=$DISPLAY
run-demo: look at it from another shell with
run-demo:     DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY import -window root /tmp/orla-demo.png
run-demo: and stop it with Ctrl+C here.
MSG
exec "$0"' "$build/bin/orla-admin-kiosk")
fi

echo "run-demo: kiosk tree below $root; starting orla-admin-kiosk"
bash testbus/run-with-system-bus.sh "${options[@]}" -- "${program[@]}"

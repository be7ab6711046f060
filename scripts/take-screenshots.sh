#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes the screenshots of the main window and the profile editor, in English
# and in Russian, that the AppStream metainfo names (data/screenshots/):
#
#   bash scripts/take-screenshots.sh [BUILD]
#
# BUILD (default build) is a scratch-root build with the target screenshottool
# built. The demo tree is laid out below its scratch root and the program runs
# on a virtual display and the helper's test bus, with the demo's accounts
# made for that run only. Look at the pictures before committing them.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$top/build}")
tool="$build/bin/screenshottool"
out="$top/data/screenshots"
prefix=kioskdemo-
root=$(sed -n 's/^ORLA_SYSTEM_ROOT:PATH=//p' "$build/CMakeCache.txt")
passwd=$(sed -n 's/^ORLA_PASSWD_FILE:FILEPATH=//p' "$build/CMakeCache.txt")

if [ -z "$root" ] || [ ! -x "$tool" ]; then
    echo "take-screenshots: $build is not a scratch-root build with screenshottool built" >&2
    exit 64
fi

bash "$top/scripts/demo-tree.sh" "$root" "$prefix"
mkdir -p "$out"

# The accounts exist for the run only, so that the users show as they do on a
# machine that has them.
bash "$top/testbus/run-with-system-bus.sh" --config "$build/testbus/bus" \
    --accounts --passwd-file "$passwd" --display -- \
    bash -c '
        set -e
        # visitor has no kiosk profile yet: the add-user dialog offers it.
        for account in reception library lab guest visitor; do
            adduser --disabled-password --gecos "" "'"$prefix"'$account" >/dev/null
        done
        shots=(--user "'"$prefix"'library" --new-user "'"$prefix"'visitor" --profile office)
        "$0" "$1" "${shots[@]}"
        "$0" "$1" "${shots[@]}" --catalogues "$2/translations" --suffix -ru
    ' "$tool" "$out" "$build"

#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian packages of the project and checks them with lintian:
#
#   bash scripts/build-packages.sh [DIR]
#
# DIR (default build-packages) receives the .deb files, the .changes file and
# lintian's report; the build itself runs on a copy of the tree in DIR/src,
# so that the tree stays as it is. Run as root on Debian 12: the build
# dependencies are installed first (scripts/install-deps.sh).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/build-packages}")
cd "$top"
bash scripts/install-deps.sh

# The packages' version is the project's own.
project=$(sed -n 's/^project(orla-admin-kiosk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [ "$package" != "$project" ]; then
    echo "build-packages: debian/changelog says $package, CMakeLists.txt says $project; add a changelog entry for $project" >&2
    exit 1
fi

rm -rf "$out/src"
mkdir -p "$out/src"
rm -f "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo "$out"/lintian.txt
# Build folders, git's own files and DIR itself stay behind.
exclude=(--exclude='./build*' --exclude=./.git --exclude=./.clang-format)
case $out in "$top"/*) exclude+=(--exclude="./${out#"$top"/}") ;; esac
tar -C "$top" "${exclude[@]}" -cf - . | tar -C "$out/src" -xf -

# A second build of everything: ccache, where installed, spares most of it
# the next time.
if [ -d /usr/lib/ccache ]; then
    export PATH="/usr/lib/ccache:$PATH" CCACHE_BASEDIR="$out/src"
fi
(cd "$out/src" && dpkg-buildpackage -b -us -uc -j"$(nproc)")

# Errors fail the build; the warnings that remain are explained in the
# packages' lintian overrides.
lintian --fail-on error --info --display-level ">=warning" "$out"/*.changes | tee "$out/lintian.txt"
echo "build-packages: the packages are in $out"

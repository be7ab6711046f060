#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs everything needed to build, test and demonstrate the tool on Debian 12.
set -euo pipefail

packages=(
    cmake ninja-build g++ ccache extra-cmake-modules pkg-config
    qtbase5-dev libqt5x11extras5-dev
    libkf5auth-dev libkf5coreaddons-dev libkf5xmlgui-dev libkf5config-dev libkf5iconthemes-dev
    libdtl-dev
    libarchive-dev help2man ansible
    qttools5-dev qttools5-dev-tools
    breeze-icon-theme
    dbus-daemon polkitd util-linux e2fsprogs
    xvfb xauth x11-utils x11-xserver-utils dbus-x11 imagemagick
    adduser passwd procps
    libpam0g-dev linux-libc-dev
    debhelper dpkg-dev lintian desktop-file-utils appstream qttranslations5-l10n
    clang libclang-rt-14-dev
    xterm mousepad xpdf strace
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

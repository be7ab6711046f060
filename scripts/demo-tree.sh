#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Lays out a realistic kiosk tree below a scratch root, for the demo and for
# tests that want a whole system rather than a handful of files:
#
#   scripts/demo-tree.sh ROOT [PREFIX]
#
# ROOT stands in for / (a build's ORLA_SYSTEM_ROOT); it must not be / itself.
# PREFIX (default "kioskdemo-") begins the names of the kiosk users.
#
# What it holds, and what the window shows for it:
#   - "orla-desktop", the graphical session, and application profiles that
#     include shared ones (gtk-common, qt-common, fonts);
#   - "media-player", which includes a profile that does not exist;
#   - "printing" and "cups-client", which include each other;
#   - "legacy-terminal", written in the old line format (read and converted);
#   - enabled and disabled kiosk users: PREFIX"reception", PREFIX"library"
#     (includes the broken media player), PREFIX"lab" (disabled), PREFIX"guest"
#     (rules of its own) and PREFIX"former" (no such account);
#   - kiosk mode off now but on after reboot, which the program questions
#     at start.
set -euo pipefail

root=${1:-}
prefix=${2:-kioskdemo-}
if [ -z "$root" ]; then
    echo "usage: $0 ROOT [PREFIX]" >&2
    exit 64
fi
root=$(realpath -m "$root")
if [ "$root" = / ]; then
    echo "demo-tree: refusing to write the demo tree over the real system" >&2
    exit 64
fi

etc="$root/etc/tavrix"
profiles="$etc/kiosk2-profiles"
users="$etc/kiosk2"
parameters="$root/sys/module/tavrix/parameters"

rm -rf "$etc" "$root/sys/module/tavrix"
mkdir -p "$profiles" "$users/disabled" "$parameters"

profile() { cat >"$profiles/$1"; }
user() { cat >"$users/$1"; }
disabledUser() { cat >"$users/disabled/$1"; }

profile fonts <<'P'
# Fonts and their configuration
+file r uo: /usr/share/fonts
+file r uo: /etc/fonts
+file rwc u: /home/*/.cache/fontconfig
P

profile gtk-common <<'P'
@include fonts
+file r uo: /usr/share/themes
+file r uo: /usr/share/icons
+file r uo: /usr/lib/x86_64-linux-gnu/gtk-3.0
+file rwc u: /home/*/.config/gtk-3.0
P

profile qt-common <<'P'
@include fonts
+file r uo: /usr/lib/x86_64-linux-gnu/qt5/plugins
+file r uo: /usr/share/icons
+file rwc u: /home/*/.config/Trolltech.conf
P

profile orla-desktop <<'P'
# The graphical session every kiosk user needs
@include qt-common
+file r uo: /usr/bin/orla-session
+file r uo: /usr/share/orla
+link r uo: /etc/alternatives/x-session-manager
+file rw u: /tmp/.X11-unix
+file rwc u: /home/*/.orla
+file rwc u: /home/*/.Xauthority
P

profile web-browser <<'P'
@include gtk-common
+file r uo: /usr/lib/firefox-esr
+file r uo: /etc/firefox-esr
+file rwc u: /home/*/.mozilla
+file rwc u: /home/*/Downloads
P

profile office <<'P'
@include gtk-common
+file r uo: /usr/lib/libreoffice
+file rwc u: /home/*/.config/libreoffice
+file rwc u: /home/*/Documents
P

profile image-editor <<'P'
@include gtk-common
+file r uo: /usr/lib/gimp
+file rwc u: /home/*/.config/GIMP
+file rwc u: /home/*/Pictures
P

profile media-player <<'P'
# Needs the codec pack, which is not installed here
@include qt-common
@include codecs-extra
+file r uo: /usr/bin/vlc
+file rw u: /dev/snd
P

profile printing <<'P'
@include cups-client
+file r uo: /etc/papersize
P

profile cups-client <<'P'
@include printing
+file r uo: /etc/cups/client.conf
+file rw u: /run/cups/cups.sock
P

# The old format: paths with r/w/x letters, and bare profile names.
profile legacy-terminal <<'P'
fonts
/usr/bin/xterm r-x
"/etc/X11/app-defaults" r--
/home/kiosk/.Xresources rw-
P

user "${prefix}reception" <<'P'
@include orla-desktop
@include web-browser
P

user "${prefix}library" <<'P'
@include orla-desktop
@include office
@include media-player
P

disabledUser "${prefix}lab" <<'P'
@include orla-desktop
@include image-editor
@include printing
P

user "${prefix}guest" <<'P'
@include orla-desktop
+file r uo: /usr/share/doc
+file rwc u: /home/*/Desktop
P

user "${prefix}former" <<'P'
@include orla-desktop
@include web-browser
P

# Off now, on after the next reboot: the program asks about it at start.
printf '0\n' >"$parameters/uc_enforce"
printf '0\n' >"$parameters/uc_complain"
printf '1\n' >"$etc/kiosk2_enforce"
printf '0\n' >"$etc/kiosk2_complain"

echo "demo-tree: kiosk tree laid out below $root"

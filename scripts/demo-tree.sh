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
#   - "shell", what a login shell and the core utilities need, which every
#     kiosk session builds on (a confined session gets nothing else);
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

# Confined sessions get only what their profiles grant: the loader and the
# libraries too. A directory's rule covers everything below it; "*" matches
# within one path component, and a rule for "u" only applies to objects the
# user owns, so "/home/*" is each user's own home.
profile shell <<'P'
# What a login shell and the core utilities need
# The loader, the libraries and their configuration
+file r uo: /lib64/ld-linux-*.so.*
+file r uo: /usr/lib/*-linux-gnu
+file r uo: /etc/ld.so.cache
# Accounts, names, time, language and terminals
+file r uo: /etc/passwd
+file r uo: /etc/group
+file r uo: /etc/nsswitch.conf
+file r uo: /etc/localtime
+file r uo: /usr/share/zoneinfo
+file r uo: /usr/lib/locale
+file r uo: /usr/share/locale
+file r uo: /etc/terminfo
+file r uo: /usr/lib/terminfo
+file r uo: /usr/share/terminfo
# The shell's start-up files
+file r uo: /etc/profile
+file r uo: /etc/profile.d
+file r uo: /etc/bash.bashrc
+file r uo: /etc/inputrc
# The shells and the core utilities (/bin is /usr/bin on Debian 12)
+file r uo: /usr/bin/bash
+file r uo: /usr/bin/sh
+file r uo: /usr/bin/cat
+file r uo: /usr/bin/ls
+file r uo: /usr/bin/cp
+file r uo: /usr/bin/mv
+file r uo: /usr/bin/rm
+file r uo: /usr/bin/mkdir
+file r uo: /usr/bin/rmdir
+file r uo: /usr/bin/ln
+file r uo: /usr/bin/touch
+file r uo: /usr/bin/chmod
+file r uo: /usr/bin/head
+file r uo: /usr/bin/tail
+file r uo: /usr/bin/wc
+file r uo: /usr/bin/sort
+file r uo: /usr/bin/uniq
+file r uo: /usr/bin/cut
+file r uo: /usr/bin/tr
+file r uo: /usr/bin/tee
+file r uo: /usr/bin/grep
+file r uo: /usr/bin/sed
+file r uo: /usr/bin/echo
+file r uo: /usr/bin/printf
+file r uo: /usr/bin/test
+file r uo: /usr/bin/true
+file r uo: /usr/bin/false
+file r uo: /usr/bin/sleep
+file r uo: /usr/bin/date
+file r uo: /usr/bin/env
+file r uo: /usr/bin/id
+file r uo: /usr/bin/whoami
+file r uo: /usr/bin/groups
+file r uo: /usr/bin/basename
+file r uo: /usr/bin/dirname
+file r uo: /usr/bin/readlink
+file r uo: /usr/bin/realpath
+file r uo: /usr/bin/stat
+file r uo: /usr/bin/mktemp
+file r uo: /usr/bin/pwd
+file r uo: /usr/bin/tty
+file r uo: /usr/bin/stty
+file r uo: /usr/bin/uname
+file r uo: /usr/bin/hostname
+file r uo: /usr/bin/which
+file r uo: /usr/bin/more
+file r uo: /usr/bin/clear
+file r uo: /usr/bin/tput
+file r uo: /usr/bin/dircolors
+file r uo: /usr/bin/locale
+file r uo: /usr/bin/clear_console
# Devices every session uses, and what processes read about themselves
+file rw uo: /dev/null
+file rw uo: /dev/tty
+file rw uo: /dev/pts
+file r uo: /dev/urandom
+file r uo: /dev/zero
+file r uo: /proc
# Each user's own home
+file rwc u: /home/*
P

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
@include shell
@include qt-common
# The X session start-up (/etc/X11/Xsession) and what it runs
+file r uo: /etc/X11
+file r uo: /usr/bin/run-parts
+file r uo: /usr/bin/fold
+file r uo: /usr/bin/awk
+file r uo: /usr/bin/xrdb
+file r uo: /usr/bin/xhost
+file r uo: /usr/bin/gpgconf
+file r uo: /usr/bin/gpg-agent
+file r uo: /usr/bin/ssh-agent
+file r uo: /usr/bin/dbus-launch
+file r uo: /usr/bin/dbus-daemon
+file r uo: /usr/bin/dbus-update-activation-environment
+file r uo: /usr/share/dbus-1
+file r uo: /etc/dbus-1
+file r uo: /etc/machine-id
+file rwc uo: /tmp
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

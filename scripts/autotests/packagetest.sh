#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian packages as an administrator gets them: built and checked by
# scripts/build-packages.sh, then installed with dpkg into a private
# copy-on-write root of this machine (the machine's own /usr, /etc and
# package database stay as they were), where the helper carries out an update
# on the test bus from its installed D-Bus and polkit files, answering in
# Russian from its installed catalogues, the program starts and quits on the
# offscreen platform, orla-kiosk checks a tree in the system's language,
# the module stand-in refuses to replace a collector it does not own and to
# go while the confinement hooks name it, and a purge removes the helper's
# state but not the profiles.
#
#   packagetest.sh DIR      build into DIR (see build-packages.sh), then test
#   packagetest.sh --installed DIR
#                           test the packages already in DIR
#
# Needs root and private mount and pid namespaces (77 without).
set -u

top=$(cd "$(dirname "$0")/../.." && pwd)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if [ "${1:-}" = --inside ]; then
    inside=1
    shift
else
    inside=
fi
build=1
if [ "${1:-}" = --installed ]; then
    build=
    shift
fi
out=${1:?usage: $0 [--installed] DIR}
out=$(realpath -m "$out")

if [ -z "$inside" ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "the packages are installed with dpkg, as root"
        exit 77
    fi
    if ! unshare -m -p -f --mount-proc --propagation private true 2>/dev/null; then
        echo "no private mount and pid namespaces here"
        exit 77
    fi
    if [ -n "$build" ]; then
        bash "$top/scripts/build-packages.sh" "$out" || exit 1
    fi
    program=$(ls "$out"/orla-admin-kiosk_*.deb 2>/dev/null | head -n 1)
    [ -n "$program" ] || { echo "FAIL: no packages in $out"; exit 1; }

    # The catalogue entry, the menu entry and the icon, read together the way
    # a software centre reads an installed tree.
    tree=$(mktemp -d)
    dpkg-deb -x "$program" "$tree"
    appstreamcli validate-tree --no-net "$tree" || fail "the program's metainfo, menu entry and icon do not agree"
    rm -rf "$tree"

    # The kernel ends everything left in the namespace when the run ends.
    unshare -m -p -f --kill-child=TERM --mount-proc --propagation private "$0" --inside --installed "$out"
    status=$?
    [ $status -eq 0 ] || fail "the installed packages (status $status)"
    if [ $failures -gt 0 ]; then
        exit 1
    fi
    echo "PASS"
    exit 0
fi

# From here on: inside the private namespaces.
scratch=$(mktemp -d /tmp/orla-packagetest.XXXXXX) || exit 1
trap 'umount -R -l "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
mount -t tmpfs -o mode=755 orla-packagetest "$scratch" || exit 1
mkdir "$scratch/upper" "$scratch/work" "$scratch/root"
root=$scratch/root
mount -t overlay orla-packagetest -o "lowerdir=/,upperdir=$scratch/upper,workdir=$scratch/work" "$root" || {
    echo "cannot lay a private layer over /"
    exit 77
}
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount -t tmpfs -o mode=1777 orla-packagetest "$root/tmp"
mount -t tmpfs -o mode=755 orla-packagetest "$root/run"
mkdir -p "$root/mnt/packages" "$root/mnt/source"
mount --bind "$out" "$root/mnt/packages"
mount --bind -o ro "$top" "$root/mnt/source"
# Whatever is left of an earlier installation of the tree's own is no part of this root.
rm -rf "$root/usr/share/orla" "$root/usr/lib/kauth/libexec/boothward" "$root/var/lib/orla-admin-kiosk" "$root/etc/tavrix"

chroot "$root" /bin/bash -s <<'ROOT'
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export LC_ALL=C.UTF-8
packages=/mnt/packages
# No service of this root is started or reloaded by a maintainer script.
printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
chmod 755 /usr/sbin/policy-rc.d

# The stand-in on a machine with the module's own collector: refused, and
# the collector is left as it was.
collector=/usr/lib/tavrix/bin/uccollect
mkdir -p "${collector%/*}"
echo "the module's own collector" >"$collector"
if dpkg -i "$packages"/orla-admin-kiosk-module-standin_*.deb >/tmp/standin.log 2>&1; then
    fail "the stand-in was installed over the module's own collector"
fi
grep -q "the security module's own collector" /tmp/standin.log || fail "the stand-in's refusal does not say why: $(cat /tmp/standin.log)"
[ "$(cat "$collector")" = "the module's own collector" ] || fail "the module's own collector was changed"
rm -f "$collector"
dpkg --purge orla-admin-kiosk-module-standin >/dev/null 2>&1

# Everything but the debugging symbols.
debs=()
for deb in "$packages"/*.deb; do
    case $deb in *-dbgsym_*) ;; *) debs+=("$deb") ;; esac
done
dpkg -i "${debs[@]}" >/tmp/install.log 2>&1 || { cat /tmp/install.log; fail "the packages do not install"; exit 1; }
for f in liborla-admin-kiosk_common_ru.qm orla-admin-kiosk_common_ru.qm boothward_ru.qm orla-kiosk_ru.qm; do
    [ -s "/usr/share/orla/translations/$f" ] || fail "the catalogue $f is not where the program and the helper load it"
done
[ -x "$collector" ] || fail "the stand-in's collector is missing"

version=$(QT_QPA_PLATFORM=offscreen orla-admin-kiosk --version 2>/dev/null)
expected="orla-admin-kiosk $(dpkg-query -W -f='${Version}' orla-admin-kiosk)"
[ "$version" = "$expected" ] || fail "--version says '$version', the package is '$expected'"

# orla-kiosk from its installed files: its version, its manual page and
# completion, and a check of a small tree in the system's language, whose
# --json stays the same in every language.
version=$(orla-kiosk --version 2>/dev/null)
expected="orla-kiosk $(dpkg-query -W -f='${Version}' orla-kiosk)"
[ "$version" = "$expected" ] || fail "orla-kiosk --version says '$version', the package is '$expected'"
for f in /usr/share/man/man1/orla-kiosk.1.gz /usr/share/bash-completion/completions/orla-kiosk \
    /usr/share/ansible/roles/orla_kiosk/tasks/main.yml; do
    [ -s "$f" ] || fail "the package orla-kiosk has no $f"
done
fleet=/tmp/fleet-tree
mkdir -p "$fleet/kiosk2-profiles" "$fleet/kiosk2/disabled"
echo '+file r uo: /etc/hosts' >"$fleet/kiosk2-profiles/web"
echo '@include gone' >"$fleet/kiosk2-profiles/broken"
echo '@include web' >"$fleet/kiosk2/root"
echo 0 >"$fleet/kiosk2_enforce"
echo 0 >"$fleet/kiosk2_complain"
LC_ALL=en_US.UTF-8 orla-kiosk check "$fleet" >/tmp/check.out 2>&1
status=$?
[ $status -eq 2 ] || fail "orla-kiosk check of a tree with an unknown include ended with $status: $(cat /tmp/check.out)"
grep -qx "error: profile 'broken' has unknown includes: gone" /tmp/check.out ||
    fail "orla-kiosk check does not report the unknown include: $(cat /tmp/check.out)"
LC_ALL=ru_RU.UTF-8 orla-kiosk check "$fleet" >/tmp/check-ru.out 2>&1
grep -qx "ошибка: профиль «broken» подключает неизвестные профили: gone" /tmp/check-ru.out ||
    fail "orla-kiosk check does not speak Russian from the installed catalogues: $(cat /tmp/check-ru.out)"
orla-kiosk check --json "$fleet" >/tmp/check.json 2>&1
LC_ALL=ru_RU.UTF-8 orla-kiosk check --json "$fleet" >/tmp/check-ru.json 2>&1
cmp -s /tmp/check.json /tmp/check-ru.json || fail "orla-kiosk check --json changes with the language: $(diff /tmp/check.json /tmp/check-ru.json)"

# A kiosk tree and module switches of this root's own.
mkdir -p /etc/tavrix/kiosk2-profiles /etc/tavrix/kiosk2/disabled /sys/module/tavrix/parameters
echo 0 >/etc/tavrix/kiosk2_enforce
echo 0 >/etc/tavrix/kiosk2_complain
echo 0 >/sys/module/tavrix/parameters/uc_enforce
echo 0 >/sys/module/tavrix/parameters/uc_complain

# A client of the helper's actions, built against the development package.
client=/tmp/client
mkdir -p "$client"
cp /mnt/source/testbus/kauthclient.cpp "$client/"
cat >"$client/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(installedclient CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(Qt5 REQUIRED COMPONENTS Core DBus)
find_package(OrlaAdminKioskCommon REQUIRED)
add_executable(kauthclient kauthclient.cpp)
target_link_libraries(kauthclient Orla::orla-admin-kiosk_common Qt5::DBus)
CMAKE
if ! { cmake -S "$client" -B "$client/build" -DCMAKE_BUILD_TYPE=Release >"$client/log" 2>&1 &&
    cmake --build "$client/build" >>"$client/log" 2>&1; }; then
    cat "$client/log"
    fail "a client does not build against the development package"
    exit 1
fi

bus=(--service /usr/share/dbus-1/system-services/org.orla.kiosk.boothward.service
    --bus-policy /usr/share/dbus-1/system.d/org.orla.kiosk.boothward.conf
    --polkit-actions /usr/share/polkit-1/actions/org.orla.kiosk.boothward.policy)
bash /mnt/source/testbus/run-with-system-bus.sh "${bus[@]}" -- bash -s "$client/build/kauthclient" <<'BUS'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
client=$1

# The helper the bus starts from its installed activation file saves a profile.
"$client" update 'profilesToUpdate={"smoke":"+file r uo: /etc/hosts\n"}' >/tmp/update.out 2>&1 ||
    fail "the installed helper did not carry out the update: $(cat /tmp/update.out)"
[ "$(cat /etc/tavrix/kiosk2-profiles/smoke 2>/dev/null)" = "+file r uo: /etc/hosts" ] ||
    fail "the profile the helper saved is not there"

# Its refusal comes in the caller's language, from the catalogues where it
# loads them: Russian for a Russian caller, English for an English one.
"$client" update 'profilesToUpdate={"../escape":"+file r uo: /etc/hosts\n"}' \
    'proccessEnvironmentsKey={"LANG":"ru_RU.UTF-8"}' >/tmp/refusal.out 2>&1
grep -q "Недопустимое имя профиля «../escape»" /tmp/refusal.out ||
    fail "the helper's refusal is not in Russian: $(cat /tmp/refusal.out)"
"$client" update 'profilesToUpdate={"../escape":"+file r uo: /etc/hosts\n"}' \
    'proccessEnvironmentsKey={"LANG":"en_US.UTF-8"}' >/tmp/refusal-en.out 2>&1
grep -q "Invalid profile name '../escape'" /tmp/refusal-en.out ||
    fail "the helper's refusal to an English caller is not in English: $(cat /tmp/refusal-en.out)"

# The program starts on the kiosk tree, finds the helper and quits again.
QT_QPA_PLATFORM=offscreen timeout 120 orla-admin-kiosk --quit >/tmp/program.out 2>&1
status=$?
[ $status -eq 0 ] || fail "the program's start ended with status $status: $(cat /tmp/program.out)"
exit $failures
BUS
[ $? -eq 0 ] || fail "the installed helper and program on the test bus"

# The confinement hooks are the administrator's to put in place, and while
# they name the stand-in's PAM module the stand-in stays: without it su and
# login would refuse every session, root's too.
grep -qs pam_tavrix_confine /etc/pam.d/su && fail "installing the stand-in hooked su's PAM stack by itself"
hooks=/usr/lib/tavrix/bin/tavrix-session-hooks
pamModule=$(dpkg -L orla-admin-kiosk-module-standin | grep '/security/pam_tavrix_confine\.so$')
"$hooks" install || fail "$hooks install failed"
grep -qx "session required $pamModule" /etc/pam.d/su || fail "the hooks do not name the installed PAM module: $(tail -n 1 /etc/pam.d/su)"
if dpkg -r orla-admin-kiosk-module-standin >/tmp/standin-remove.log 2>&1; then
    fail "the stand-in was removed while su's PAM stack names its module"
fi
grep -q "tavrix-session-hooks remove" /tmp/standin-remove.log || fail "the stand-in's refusal to go does not say what to do: $(cat /tmp/standin-remove.log)"
[ -e "$pamModule" ] || fail "the refused removal took the PAM module all the same"
"$hooks" remove || fail "$hooks remove failed"
grep -qs pam_tavrix_confine /etc/pam.d/su /etc/pam.d/login && fail "the hooks stayed after $hooks remove"

# A purge takes the helper's state with it; the administrator's profiles stay.
[ -d /var/lib/orla-admin-kiosk ] || fail "the helper kept no state to purge"
dpkg --purge orla-kiosk orla-admin-kiosk orla-admin-kiosk-module-standin orla-admin-kiosk-helper liborla-admin-kiosk-common-dev \
    liborla-admin-kiosk-common1 liborla-admin-kiosk-common-data >/tmp/purge.log 2>&1 ||
    fail "the packages do not purge: $(cat /tmp/purge.log)"
[ -e /var/lib/orla-admin-kiosk ] && fail "the helper's state outlived the purge"
[ -e /etc/tavrix/kiosk2-profiles/smoke ] || fail "the purge removed a kiosk profile"
[ -e /usr/share/orla/translations ] && fail "the catalogues outlived the purge"
exit $failures
ROOT

#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs one command against a private system bus with its own polkitd, so that
# KAuth actions travel the same road as on a real system (client -> bus ->
# polkit -> bus-activated helper running as root) without touching the
# machine's bus, its polkit actions or its polkit rules.
#
#   run-with-system-bus.sh [OPTIONS] [--] COMMAND [ARG...]
#
# Options (each may be repeated):
#   --config DIR          take every file of DIR/services (*.service),
#                         DIR/system.d (*.conf), DIR/actions (*.policy) and
#                         DIR/rules.d (*.rules)
#   --service FILE        a D-Bus service file the bus may activate
#   --bus-policy FILE     a bus policy file to include
#   --polkit-actions FILE a polkit .policy file
#   --polkit-rule FILE    a polkit .rules file
#
# Further pieces of a real system (each at most once):
#   --accounts            the run gets an account database of its own: /etc,
#                         /var/log, /var/mail and /var/spool become copy-on-write
#                         and /home an empty tmpfs, so the command may add, use
#                         (su) and delete real accounts; the machine never sees
#                         them.
#   --passwd-file FILE    with --accounts: FILE shows the run's live /etc/passwd,
#                         for a build that reads its accounts from a password
#                         file below its scratch root. The rest of FILE's
#                         directory becomes copy-on-write for the run.
#   --module REPORTER     start REPORTER (no arguments) once everything else is
#                         up and wait for it to print the line "ready"
#   --confinement HOOKS   with --accounts: run "HOOKS install /etc" (the
#                         module's tavrix-session-hooks) on the run's private
#                         /etc, so that su, console logins and X sessions of
#                         kiosk users are confined as on an installed system
#   --display             start Xvfb with an authority cookie and hand the
#                         command DISPLAY and XAUTHORITY
#
# The command runs with DBUS_SYSTEM_BUS_ADDRESS pointing at the private bus and
# ORLA_TESTBUS_DIR naming a world-traversable scratch directory that lives as
# long as the run. The exit status is the command's. 77 means the harness
# cannot run here (not root, a tool is missing, or no private mount and pid
# namespaces), 125 that the bus, polkitd, the display or the reporter did not
# come up.
#
# Everything runs in mount and pid namespaces of its own: polkit's action and
# rule directories are replaced by scratch directories for this run only, and
# if the harness itself is killed the kernel ends whatever it left. Where the
# kernel or a container refuses the namespaces, nothing runs: the harness
# never writes the machine's own polkit or D-Bus folders. The bus, polkitd,
# the reporter, Xvfb and every service the bus started are stopped by their
# process ids when the command ends, whatever way it ends.

set -u

polkitd=/usr/lib/polkit-1/polkitd
polkitActionsDir=/usr/share/polkit-1/actions
polkitRulesDirs=(/etc/polkit-1/rules.d /usr/share/polkit-1/rules.d)
systemBusPolicies=(
    /usr/share/dbus-1/system.d/org.freedesktop.PolicyKit1.conf
    /usr/share/dbus-1/system.d/org.kde.kf5auth.conf
)

say() { echo "run-with-system-bus: $*" >&2; }

# The run is impossible on this machine; CTest reports such a test as skipped.
cannotRunHere=77

services=()
busPolicies=()
polkitActions=()
polkitRules=()
accounts=
passwdFile=
reporter=
display=
confinement=

addFromDir() {
    local dir=$1 f
    [ -d "$dir" ] || { say "no such directory: $dir"; exit 125; }
    shopt -s nullglob
    for f in "$dir"/services/*.service; do services+=("$f"); done
    for f in "$dir"/system.d/*.conf; do busPolicies+=("$f"); done
    for f in "$dir"/actions/*.policy; do polkitActions+=("$f"); done
    for f in "$dir"/rules.d/*.rules; do polkitRules+=("$f"); done
    shopt -u nullglob
}

originalArgs=("$@")
while [ $# -gt 0 ]; do
    case $1 in
        --config | --service | --bus-policy | --polkit-actions | --polkit-rule | --passwd-file | --module | --confinement)
            [ $# -ge 2 ] || { say "$1 needs a value"; exit 125; } ;;
    esac
    case $1 in
        --config) addFromDir "$2"; shift 2 ;;
        --service) services+=("$2"); shift 2 ;;
        --bus-policy) busPolicies+=("$2"); shift 2 ;;
        --polkit-actions) polkitActions+=("$2"); shift 2 ;;
        --polkit-rule) polkitRules+=("$2"); shift 2 ;;
        --accounts) accounts=1; shift ;;
        --passwd-file) passwdFile=$2; shift 2 ;;
        --module) reporter=$2; shift 2 ;;
        --confinement) confinement=$2; shift 2 ;;
        --display) display=1; shift ;;
        --) shift; break ;;
        -*) say "unknown option $1"; exit 125 ;;
        *) break ;;
    esac
done
if [ $# -eq 0 ]; then
    say "no command given"
    exit 125
fi

if [ "$(id -u)" != 0 ]; then
    say "must run as root (the helper is activated as root, polkitd drops to its own user)"
    exit "$cannotRunHere"
fi
if [ -n "$passwdFile" ] && [ -z "$accounts" ]; then
    say "--passwd-file needs --accounts"
    exit 125
fi
if [ -n "$confinement" ] && [ -z "$accounts" ]; then
    say "--confinement needs --accounts: the hooks go into the run's private /etc only"
    exit 125
fi
if [ -n "$confinement" ] && [ ! -f "$confinement" ]; then
    say "the session hooks script $confinement does not exist"
    exit 125
fi
if [ -n "$reporter" ] && ! { [ -f "$reporter" ] && [ -x "$reporter" ]; }; then
    say "the reporter $reporter is not an executable file"
    exit 125
fi
tools=(dbus-daemon dbus-send "$polkitd")
[ -n "$display" ] && tools+=(Xvfb xauth xhost)
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        say "$tool is not installed"
        exit "$cannotRunHere"
    fi
done

# Processes whose parent is the given pid (the services the bus activated).
childrenOf() {
    local parent=$1 stat line pid fields
    for stat in /proc/[0-9]*/stat; do
        read -r line 2>/dev/null <"$stat" || continue
        pid=${line%% *}
        # After the command name: state, then the parent's pid.
        read -r -a fields <<<"${line##*) }"
        [ "${fields[1]}" = "$parent" ] && echo "$pid"
    done
}

# Re-run inside private mount and pid namespaces. unshare itself ignores
# SIGTERM and SIGINT, so a stop request is handed to the run inside, which
# cleans up; --kill-child does the same should unshare die. Once that run
# ends, the kernel ends every process left in the namespace.
if [ -z "${ORLA_TESTBUS_MODE:-}" ]; then
    if ! unshare -m -p -f --mount-proc --propagation private true 2>/dev/null; then
        say "private mount and pid namespaces are not available here (unshare failed);" \
            "without them the run would have to change the machine's own polkit folders, so it is skipped"
        exit "$cannotRunHere"
    fi
    ORLA_TESTBUS_MODE=namespace unshare -m -p -f --kill-child=TERM --mount-proc --propagation private \
        "$0" "${originalArgs[@]}" <&0 &
    unsharePid=$!
    forwardStop() {
        local pid
        for pid in $(childrenOf "$unsharePid"); do
            kill -TERM "$pid" 2>/dev/null
        done
    }
    trap forwardStop TERM INT HUP
    while :; do
        wait "$unsharePid"
        status=$?
        kill -0 "$unsharePid" 2>/dev/null || break
    done
    exit "$status"
fi

# Bind mounts outside a namespace of our own would hide the machine's polkit files.
if [ "$ORLA_TESTBUS_MODE" != namespace ] || [ $$ != 1 ]; then
    say "ORLA_TESTBUS_MODE is only for the run that unshare starts"
    exit 125
fi

scratch=$(mktemp -d /tmp/orla-testbus.XXXXXX) || exit 125
# polkitd runs as its own user and must reach the socket; the command may
# hand out files here to unprivileged clients.
chmod 755 "$scratch"
mkdir -p "$scratch/services" "$scratch/actions" "$scratch/rules.d" "$scratch/empty"

busPid=
polkitPid=
commandPid=
reporterPid=
xvfbPid=
displayNumber=
# Mount points below the scratch directory, taken down before it is removed.
scratchMounts=()

stopPid() {
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        # Reap our own children so that they do not linger as zombies.
        wait "$pid" 2>/dev/null && return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

# Ends a process started in a group of its own, and whatever it started.
stopGroup() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM -- "-$pid" 2>/dev/null
    stopPid "$pid"
    kill -KILL -- "-$pid" 2>/dev/null
    return 0
}

cleanup() {
    local pid i sock
    trap - EXIT INT TERM HUP
    stopGroup "$commandPid"
    stopGroup "$reporterPid"
    if [ -n "$xvfbPid" ]; then
        stopGroup "$xvfbPid"
        # A killed server leaves its socket file behind; the next server of
        # that number may already listen there, so only a dead one is removed.
        sock="/tmp/.X11-unix/X$displayNumber"
        if [ -n "$displayNumber" ] && [ -S "$sock" ] && ! grep -q " $sock\$" /proc/net/unix; then
            rm -f "$sock"
        fi
    fi
    if [ -n "$busPid" ]; then
        # Activated services (the helper) are children of the bus. A stopped
        # (SIGSTOP) one would never act on TERM.
        for pid in $(childrenOf "$busPid"); do
            kill -CONT "$pid" 2>/dev/null
            kill -KILL "$pid" 2>/dev/null
        done
    fi
    stopPid "$polkitPid"
    stopPid "$busPid"
    # Lazily: a process of the namespace may still hold a file open there.
    for ((i = ${#scratchMounts[@]} - 1; i >= 0; i--)); do
        umount -l "${scratchMounts[i]}" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

for f in "${services[@]}"; do cp "$f" "$scratch/services/" || exit 125; done
for f in "${polkitActions[@]}"; do cp "$f" "$scratch/actions/" || exit 125; done
for f in "${polkitRules[@]}"; do cp "$f" "$scratch/rules.d/" || exit 125; done
chmod -R a+rX "$scratch"

mount --bind "$scratch/actions" "$polkitActionsDir" || exit 125
mount --bind "$scratch/rules.d" "${polkitRulesDirs[0]}" || exit 125
for d in "${polkitRulesDirs[@]:1}"; do
    [ -d "$d" ] && { mount --bind "$scratch/empty" "$d" || exit 125; }
done

# A copy-on-write view of a directory for this run; its changes live in the
# tmpfs below the scratch directory and vanish with it.
layers=
privateLayer() {
    local dir=$1 layer
    case $dir in
        *[,:\\]*) say "cannot lay a private layer over $dir (',', ':' or '\\' in its path)"; exit 125 ;;
    esac
    if [ -z "$layers" ]; then
        layers="$scratch/layers"
        mkdir "$layers" && mount -t tmpfs -o mode=700 orla-testbus "$layers" || exit 125
        scratchMounts+=("$layers")
    fi
    layer=$(mktemp -d "$layers/layer.XXXXXX") || exit 125
    mkdir "$layer/upper" "$layer/work" || exit 125
    # The upper directory becomes the root of the merged view.
    chmod --reference="$dir" "$layer/upper" && chown --reference="$dir" "$layer/upper" || exit 125
    mount -t overlay orla-testbus -o "lowerdir=$dir,upperdir=$layer/upper,workdir=$layer/work" "$dir" || {
        say "cannot lay a private layer over $dir"
        exit 125
    }
}

if [ -n "$accounts" ]; then
    # The account tools write the password, group and shadow files, lastlog,
    # faillog and the mail spool, and remove a user's crontab; nothing else
    # under /var on Debian. Mounts below these directories (a container's
    # /etc/hosts) are hidden for the run.
    for d in /etc /var/log /var/mail /var/spool; do
        [ -d "$d" ] && privateLayer "$d"
    done
    mount -t tmpfs -o mode=755 orla-testbus /home || exit 125

    if [ -n "$passwdFile" ]; then
        passwdDir=$(dirname "$passwdFile")
        mkdir -p "$passwdDir" || exit 125
        passwdDir=$(readlink -f "$passwdDir")
        passwdFile="$passwdDir/$(basename "$passwdFile")"
        if [ "$passwdFile" != /etc/passwd ]; then
            if [ "$passwdDir" = / ]; then
                say "--passwd-file must not lie directly in /"
                exit 125
            fi
            # adduser replaces /etc/passwd by renaming a new file over it, so
            # a bind mount of the file would keep showing the old one; a link
            # follows. It lives only in the private layer: the directory
            # outside the run keeps its own file.
            privateLayer "$passwdDir"
            rm -f "$passwdFile" && ln -s /etc/passwd "$passwdFile" || exit 125
        fi
    fi

    if [ -n "$confinement" ]; then
        bash "$confinement" install /etc || {
            say "cannot install the session hooks into the run's /etc"
            exit 125
        }
    fi
fi

socket="$scratch/system_bus_socket"
{
    cat <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$scratch/services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
    <deny send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus" send_member="UpdateActivationEnvironment"/>
  </policy>
EOF
    for f in "${systemBusPolicies[@]}"; do
        [ -e "$f" ] && echo "  <include>$f</include>"
    done
    for f in "${busPolicies[@]}"; do
        echo "  <include>$(readlink -f "$f")</include>"
    done
    echo "</busconfig>"
} >"$scratch/bus.conf"

# Services the bus activates read the system bus address from the environment
# they inherit from the bus, so it is set before the bus starts.
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket"
export ORLA_TESTBUS_DIR="$scratch"

# The bus's own output (and that of the helper it starts, sanitizer reports
# included) goes to our standard error so a failing test shows it.
dbus-daemon --config-file="$scratch/bus.conf" --nofork --nopidfile >&2 &
busPid=$!

busUp() {
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetId >/dev/null 2>&1
}
nameOwned() {
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

for i in $(seq 100); do
    busUp && break
    kill -0 "$busPid" 2>/dev/null || { say "dbus-daemon ended at start"; exit 125; }
    sleep 0.05
done
busUp || { say "dbus-daemon did not answer"; exit 125; }

"$polkitd" --no-debug >"$scratch/polkitd.log" 2>&1 &
polkitPid=$!
for i in $(seq 200); do
    nameOwned org.freedesktop.PolicyKit1 && break
    kill -0 "$polkitPid" 2>/dev/null || break
    sleep 0.05
done
if ! nameOwned org.freedesktop.PolicyKit1; then
    say "polkitd did not come up:"
    cat "$scratch/polkitd.log" >&2
    exit 125
fi

if [ -n "$display" ]; then
    # The server takes every cookie of its file, whatever display it names;
    # the number is known only once it runs, so the command gets a file of its
    # own naming the right one.
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    serverAuth="$scratch/xvfb.auth"
    export XAUTHORITY="$scratch/xauthority"
    (umask 077 && : >"$serverAuth" && : >"$XAUTHORITY" && xauth -q -f "$serverAuth" add :0 . "$cookie") || exit 125
    # Without -noreset the server would forget an xhost grant as soon as the
    # granting client disconnects.
    set -m
    Xvfb -displayfd 3 -auth "$serverAuth" -nolisten tcp -noreset -screen 0 1280x1024x24 \
        3>"$scratch/xvfb.display" </dev/null >"$scratch/xvfb.log" 2>&1 &
    xvfbPid=$!
    set +m
    for i in $(seq 300); do
        read -r displayNumber 2>/dev/null <"$scratch/xvfb.display" && [ -n "$displayNumber" ] && break
        displayNumber=
        kill -0 "$xvfbPid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -z "$displayNumber" ] || ! xauth -q -f "$XAUTHORITY" add ":$displayNumber" . "$cookie"; then
        say "Xvfb did not come up:"
        cat "$scratch/xvfb.log" >&2
        exit 125
    fi
    export DISPLAY=":$displayNumber"
    for i in $(seq 100); do
        xhost >/dev/null 2>&1 && break
        sleep 0.05
    done
    if ! xhost >/dev/null 2>&1; then
        say "Xvfb on $DISPLAY does not answer:"
        cat "$scratch/xvfb.log" >&2
        exit 125
    fi
fi

if [ -n "$reporter" ]; then
    # Its standard output only says when it is ready; a file never fills up
    # and blocks it the way an unread pipe would.
    set -m
    "$reporter" </dev/null >"$scratch/reporter.out" &
    reporterPid=$!
    set +m
    ready=
    for i in $(seq 300); do
        grep -qx ready "$scratch/reporter.out" && { ready=1; break; }
        kill -0 "$reporterPid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -z "$ready" ]; then
        if kill -0 "$reporterPid" 2>/dev/null; then
            say "the reporter $reporter did not say ready within 15 s"
        else
            wait "$reporterPid"
            say "the reporter $reporter ended with status $? before it was ready"
        fi
        exit 125
    fi
fi

# In the background so that a signal to us is handled at once, and in a
# process group of its own so that it can be ended with all it started.
set -m
"$@" <&0 &
commandPid=$!
set +m
wait "$commandPid"
status=$?
# Whatever the command left running in its group ends with it.
kill -KILL -- "-$commandPid" 2>/dev/null
commandPid=
exit "$status"

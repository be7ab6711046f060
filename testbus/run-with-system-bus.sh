#!/bin/bash
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
# The command runs with DBUS_SYSTEM_BUS_ADDRESS pointing at the private bus and
# ORLA_TESTBUS_DIR naming a world-traversable scratch directory that lives as
# long as the run. The exit status is the command's. 77 means the harness
# cannot run here (not root, or a tool is missing), 125 that the bus or polkitd
# did not come up.
#
# The bus, polkitd and every service the bus started are stopped by their
# process ids when the command ends, whatever way it ends. Where mount and pid
# namespaces are allowed, everything also runs in its own namespaces: polkit's
# action and rule directories are replaced by scratch directories for this run
# only, and if the harness itself is killed the kernel ends whatever it left.
# Elsewhere the files are installed into the real polkit directories under
# unique names and removed again afterwards.

set -u

polkitd=/usr/lib/polkit-1/polkitd
polkitActionsDir=/usr/share/polkit-1/actions
polkitRulesDirs=(/etc/polkit-1/rules.d /usr/share/polkit-1/rules.d)
systemBusPolicies=(
    /usr/share/dbus-1/system.d/org.freedesktop.PolicyKit1.conf
    /usr/share/dbus-1/system.d/org.kde.kf5auth.conf
)

say() { echo "run-with-system-bus: $*" >&2; }

services=()
busPolicies=()
polkitActions=()
polkitRules=()

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
        --config) addFromDir "$2"; shift 2 ;;
        --service) services+=("$2"); shift 2 ;;
        --bus-policy) busPolicies+=("$2"); shift 2 ;;
        --polkit-actions) polkitActions+=("$2"); shift 2 ;;
        --polkit-rule) polkitRules+=("$2"); shift 2 ;;
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
    exit 77
fi
for tool in dbus-daemon dbus-send "$polkitd"; do
    if ! command -v "$tool" >/dev/null; then
        say "$tool is not installed"
        exit 77
    fi
done

# Processes whose parent is the given pid (the services the bus activated).
childrenOf() {
    local parent=$1 stat line pid fields
    for stat in /proc/[0-9]*/stat; do
        read -r line <"$stat" 2>/dev/null || continue
        pid=${line%% *}
        # After the command name: state, then the parent's pid.
        read -r -a fields <<<"${line##*) }"
        [ "${fields[1]}" = "$parent" ] && echo "$pid"
    done
}

# Re-run inside private mount and pid namespaces when the kernel allows it.
# unshare itself ignores SIGTERM and SIGINT, so a stop request is handed to
# the run inside, which cleans up; --kill-child does the same should unshare
# die. Once that run ends, the kernel ends every process left in the namespace.
if [ -z "${ORLA_TESTBUS_MODE:-}" ]; then
    if unshare -m -p -f --mount-proc --propagation private true 2>/dev/null; then
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
    ORLA_TESTBUS_MODE=installed
fi

# Bind mounts outside a namespace of our own would hide the machine's polkit files.
if [ "$ORLA_TESTBUS_MODE" = namespace ] && [ $$ != 1 ]; then
    say "namespace mode is only for the run that unshare starts"
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
installedFiles=()

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

cleanup() {
    local pid
    trap - EXIT INT TERM HUP
    if [ -n "$commandPid" ]; then
        # The command's own process group: whatever it started goes too.
        kill -TERM -- "-$commandPid" 2>/dev/null
        stopPid "$commandPid"
        kill -KILL -- "-$commandPid" 2>/dev/null
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
    for f in "${installedFiles[@]}"; do
        rm -f "$f"
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

if [ "$ORLA_TESTBUS_MODE" = namespace ]; then
    mount --bind "$scratch/actions" "$polkitActionsDir" || exit 125
    mount --bind "$scratch/rules.d" "${polkitRulesDirs[0]}" || exit 125
    for d in "${polkitRulesDirs[@]:1}"; do
        [ -d "$d" ] && { mount --bind "$scratch/empty" "$d" || exit 125; }
    done
else
    # The machine's own rules stay in force; ours are added beside them.
    tag=$(basename "$scratch")
    for f in "$scratch"/actions/*.policy; do
        [ -e "$f" ] || continue
        dest="$polkitActionsDir/$tag-$(basename "$f")"
        cp "$f" "$dest" && installedFiles+=("$dest")
    done
    for f in "$scratch"/rules.d/*.rules; do
        [ -e "$f" ] || continue
        dest="${polkitRulesDirs[0]}/00-$tag-$(basename "$f")"
        cp "$f" "$dest" && installedFiles+=("$dest")
    done
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

#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks that run-with-system-bus.sh skips the run, touching nothing of the
# machine, where it cannot have private namespaces; that it hands the command
# a working private bus and polkitd, passes on the command's exit status, and
# leaves nothing behind however the command ends: no bus, no polkitd, no
# scratch directory, nothing in the machine's polkit and D-Bus folders. Then
# the optional pieces: accounts the command adds stay inside the run, the
# display needs its cookie and ends with the run, the reporter is waited for
# and stopped.
#
#   harnesstest.sh SCRIPT SKIP_STATUS   (SKIP_STATUS: what the harness exits with where it cannot run)

set -u
script=$1
skipStatus=$2
if [ "$(id -u)" != 0 ]; then
    echo "the harness needs root"
    exit "$skipStatus"
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/actions" "$work/config/rules.d"
cat >"$work/config/actions/org.orla.harnesstest.policy" <<'POLICY'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE policyconfig PUBLIC "-//freedesktop//DTD PolicyKit Policy Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/PolicyKit/1.0/policyconfig.dtd">
<policyconfig>
  <action id="org.orla.harnesstest.check">
    <description>Harness check</description>
    <defaults><allow_any>no</allow_any><allow_inactive>no</allow_inactive><allow_active>no</allow_active></defaults>
  </action>
</policyconfig>
POLICY
echo '// harness test' >"$work/config/rules.d/50-harnesstest.rules"

# run [OPTIONS] -- COMMAND...
run() {
    "$script" --config "$work/config" "$@"
}

# The machine's own polkit and D-Bus folders: every entry with its time and
# size, and the folders' own times, which change as soon as anything is added
# or removed in them.
machineFolders=(/usr/share/polkit-1/actions /etc/polkit-1/rules.d /usr/share/polkit-1/rules.d
    /usr/share/dbus-1/system.d /etc/dbus-1/system.d /usr/share/dbus-1/system-services)
machineFoldersState() {
    local d
    for d in "${machineFolders[@]}"; do
        [ -d "$d" ] && find "$d" -maxdepth 1 -printf '%p %T@ %s\n'
    done | sort
}
foldersBefore=$(machineFoldersState)

# No namespaces: an unshare that always fails, first in PATH. The command must
# not run, the status must be the skip status, the reason must be said.
mkdir "$work/shim"
printf '#!/bin/sh\necho "unshare: unshare failed: Operation not permitted" >&2\nexit 1\n' >"$work/shim/unshare"
chmod +x "$work/shim/unshare"
for options in "" "--accounts" "--display"; do
    # shellcheck disable=SC2086 # the options are words of their own
    PATH="$work/shim:$PATH" run $options -- touch "$work/ran-without-namespaces" 2>"$work/stderr"
    status=$?
    [ "$status" = "$skipStatus" ] || fail "without namespaces ($options) the run came back as $status, not as skipped"
    grep -q "namespaces are not available" "$work/stderr" || fail "without namespaces ($options) the harness did not say why: $(cat "$work/stderr")"
done
[ -e "$work/ran-without-namespaces" ] && fail "the command ran without namespaces"
[ "$(machineFoldersState)" = "$foldersBefore" ] || fail "a run without namespaces changed the machine's polkit or D-Bus folders"
# Nor can the inner run's marker force a run outside the namespaces.
ORLA_TESTBUS_MODE=namespace run -- touch "$work/ran-without-namespaces" 2>/dev/null
status=$?
[ "$status" = 125 ] || fail "ORLA_TESTBUS_MODE set by the caller came back as $status"
[ -e "$work/ran-without-namespaces" ] && fail "the command ran outside the namespaces"

if ! unshare -m -p -f --mount-proc --propagation private true 2>/dev/null; then
    if [ "$failures" -ne 0 ]; then
        echo "$failures failure(s)"
        exit 1
    fi
    echo "no private namespaces on this machine: only the skip was checked"
    exit "$skipStatus"
fi

# Reports what the command saw into $work/seen, then ends as asked.
probe='
    echo "$DBUS_SYSTEM_BUS_ADDRESS" >"$0/address"
    echo "$ORLA_TESTBUS_DIR" >"$0/dir"
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 | grep -q "boolean true" && echo polkit >"$0/polkit"
    # polkit knows the action of the config directory.
    dbus-send --system --print-reply --dest=org.freedesktop.PolicyKit1 /org/freedesktop/PolicyKit1/Authority \
        org.freedesktop.PolicyKit1.Authority.EnumerateActions string: | grep -q org.orla.harnesstest.check && echo action >"$0/action"
    case $1 in
        exit) exit "$2" ;;
        signal) kill -"$2" $$ ;;
        sleep) bash -c "exec -a orla-harnesstest-sleep sleep 300" & wait ;;
    esac
'

check_gone() {
    local what=$1 address dir
    address=$(cat "$work/address" 2>/dev/null)
    dir=$(cat "$work/dir" 2>/dev/null)
    [ -n "$address" ] || { fail "$what: the command got no bus address"; return; }
    [ -s "$work/polkit" ] || fail "$what: polkitd was not on the bus"
    [ -s "$work/action" ] || fail "$what: polkit did not know the configured action"
    [ -e "$dir" ] && fail "$what: scratch directory $dir left behind"
    DBUS_SYSTEM_BUS_ADDRESS=$address dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetId >/dev/null 2>&1 && fail "$what: the bus still answers"
    [ "$(machineFoldersState)" = "$foldersBefore" ] || fail "$what: the machine's polkit or D-Bus folders changed"
    rm -f "$work/address" "$work/dir" "$work/polkit" "$work/action"
}

run -- sh -c "$probe" "$work" exit 3
status=$?
[ "$status" = 3 ] || fail "exit status 3 came back as $status"
check_gone "normal exit"

run -- sh -c "$probe" "$work" signal KILL
status=$?
[ "$status" = 137 ] || fail "a command killed by SIGKILL came back as $status"
check_gone "killed command"

# The harness itself told to stop while its command runs (not through run,
# whose subshell would take the signal instead).
"$script" --config "$work/config" -- sh -c "$probe" "$work" sleep &
harness=$!
for i in $(seq 100); do [ -s "$work/dir" ] && break; sleep 0.1; done
sleep 0.5
kill -TERM "$harness"
wait "$harness"
status=$?
[ "$status" -ne 0 ] || fail "a stopped harness reported success"
# The run inside the namespaces may still be cleaning up.
for i in $(seq 100); do [ -e "$(cat "$work/dir")" ] || break; sleep 0.1; done
check_gone "stopped harness"
pgrep -f "orla-harnesstest-sleep" >/dev/null && fail "the command's own child outlived the harness"

# Accounts: added, used and removed inside the run only.
account=orlaharness$$
machineFiles=(/etc/passwd /etc/shadow /etc/group /etc/gshadow /etc/subuid /etc/subgid /var/log/lastlog /var/log/faillog)
accountsBefore=$(md5sum "${machineFiles[@]}" 2>/dev/null)
# The build's own password file, which tests elsewhere write themselves.
mkdir -p "$work/root/etc"
echo "scratch:x:4000:4000::/nonexistent:/usr/sbin/nologin" >"$work/root/etc/passwd"
run --accounts --passwd-file "$work/root/etc/passwd" -- sh -c '
    adduser --disabled-password --gecos "" "$1" >/dev/null || exit 10
    id "$1" >/dev/null || exit 11
    su - "$1" -c "touch ~/made-by-su" || exit 12
    [ "$(stat -c %U "/home/$1/made-by-su")" = "$1" ] || exit 13
    grep -q "^$1:" "$2" || exit 14
' sh "$account" "$work/root/etc/passwd"
status=$?
case $status in
    0) ;;
    10) fail "adduser failed inside the run" ;;
    11) fail "id did not know the account the command added" ;;
    12 | 13) fail "su into the added account failed" ;;
    14) fail "the --passwd-file view did not list the added account" ;;
    *) fail "the accounts run came back as $status" ;;
esac
if id "$account" >/dev/null 2>&1; then
    fail "the account $account was added to the machine"
    # Our own leak; nothing else of the machine is touched.
    userdel -r "$account" >/dev/null 2>&1
fi
if [ -e "/home/$account" ]; then
    fail "the account's home was left in the machine's /home"
    rm -rf "/home/${account:?}"
fi
[ "$(md5sum "${machineFiles[@]}" 2>/dev/null)" = "$accountsBefore" ] || fail "the machine's account files changed"
[ -L "$work/root/etc/passwd" ] && fail "the --passwd-file link outlived the run"
[ "$(cat "$work/root/etc/passwd")" = "scratch:x:4000:4000::/nonexistent:/usr/sbin/nologin" ] ||
    fail "the build's own password file changed"

# Session hooks go into the run's /etc, never the machine's.
cat >"$work/hooks" <<'HOOKS'
[ "$1" = install ] && echo "session required orla-harnesstest.so" >>"$2/pam.d/su"
HOOKS
pamBefore=$(md5sum /etc/pam.d/su)
run --accounts --confinement "$work/hooks" -- grep -q orla-harnesstest.so /etc/pam.d/su ||
    fail "--confinement did not install the hooks into the run's /etc"
[ "$(md5sum /etc/pam.d/su)" = "$pamBefore" ] || fail "--confinement changed the machine's /etc/pam.d/su"
run --confinement "$work/hooks" -- true
[ $? = 125 ] || fail "--confinement without --accounts was not refused"

# Display: the command can open it with the cookie it is handed, not without.
run --display -- sh -c '
    xdpyinfo >/dev/null || exit 10
    [ "$(stat -c %a "$XAUTHORITY")" = 600 ] || exit 11
    XAUTHORITY=/nonexistent xdpyinfo >/dev/null 2>&1 && exit 12
    echo "${DISPLAY#:}" >"$0/display"
    echo "$ORLA_TESTBUS_DIR" >"$0/display-dir"
' "$work"
status=$?
case $status in
    0) ;;
    10) fail "xdpyinfo could not open the display" ;;
    11) fail "the authority file was readable by others" ;;
    12) fail "the display opened without its cookie" ;;
    *) fail "the display run came back as $status" ;;
esac
if [ -s "$work/display" ]; then
    # The server's command line names the run's scratch directory, which no
    # other server's does.
    pgrep -f "$(cat "$work/display-dir")/xvfb.auth" >/dev/null && fail "Xvfb outlived the run"
    socket=/tmp/.X11-unix/X$(cat "$work/display")
    [ -S "$socket" ] && ! grep -q " $socket\$" /proc/net/unix && fail "the display's socket was left behind"
fi

# Module: the reporter runs before the command and is stopped after it.
cat >"$work/reporter" <<'REPORTER'
#!/bin/bash
here=$(dirname "$0")
trap 'echo stopped >"$here/reporter.stopped"; exit 0' TERM
echo $$ >"$here/reporter.pid"
echo "starting"
echo ready
sleep 300 &
wait
REPORTER
chmod +x "$work/reporter"
run --module "$work/reporter" -- sh -c 'kill -0 "$(cat "$0/reporter.pid")"' "$work"
status=$?
[ "$status" = 0 ] || fail "the reporter was not running while the command ran ($status)"
[ -s "$work/reporter.stopped" ] || fail "the reporter was not stopped by a TERM"

printf '#!/bin/sh\necho starting\nexit 3\n' >"$work/reporter-fails"
chmod +x "$work/reporter-fails"
run --module "$work/reporter-fails" -- touch "$work/command-ran"
status=$?
[ "$status" = 125 ] || fail "a reporter that ended before it was ready came back as $status"
[ -e "$work/command-ran" ] && fail "the command ran without its reporter"

[ "$(machineFoldersState)" = "$foldersBefore" ] || fail "the machine's polkit or D-Bus folders changed"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all harness checks passed"

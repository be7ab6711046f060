#!/bin/bash
# Checks that run-with-system-bus.sh hands the command a working private bus
# and polkitd, passes on the command's exit status, and leaves nothing behind
# however the command ends: no bus, no polkitd, no scratch directory, and in
# the fallback mode no polkit files in the machine's directories.
#
#   harnesstest.sh SCRIPT [MODE]   (MODE: namespace or installed; default: what the machine allows)

set -u
script=$1
if [ "$(id -u)" != 0 ]; then
    echo "the harness needs root"
    exit 77
fi
mode=${2:-}
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

run() {
    if [ -n "$mode" ]; then
        ORLA_TESTBUS_MODE=$mode "$script" --config "$work/config" -- "$@"
    else
        "$script" --config "$work/config" -- "$@"
    fi
}

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
    ls /usr/share/polkit-1/actions | grep -q harnesstest && fail "$what: policy file left in the machine's actions"
    ls /etc/polkit-1/rules.d | grep -q harnesstest && fail "$what: rules file left in the machine's rules"
    rm -f "$work/address" "$work/dir" "$work/polkit" "$work/action"
}

run sh -c "$probe" "$work" exit 3
status=$?
[ "$status" = 3 ] || fail "exit status 3 came back as $status"
check_gone "normal exit"

run sh -c "$probe" "$work" signal KILL
status=$?
[ "$status" = 137 ] || fail "a command killed by SIGKILL came back as $status"
check_gone "killed command"

# The harness itself told to stop while its command runs.
if [ -n "$mode" ]; then
    ORLA_TESTBUS_MODE=$mode "$script" --config "$work/config" -- sh -c "$probe" "$work" sleep &
else
    "$script" --config "$work/config" -- sh -c "$probe" "$work" sleep &
fi
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

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all harness checks passed"

# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The one place where the system's fixed paths are defined.
#
# ORLA_SYSTEM_ROOT moves the whole kiosk tree, the module switches and the module
# tools below a scratch directory. Tests, benchmarks and the demo are built that
# way so that they never touch the machine's real /etc/tavrix or /sys/module/tavrix.
# The default (empty) is the real system.

set(ORLA_SYSTEM_ROOT "" CACHE PATH "Directory that stands in for / for the kiosk tree and module switches (empty: the real system)")
set(ORLA_PASSWD_FILE "/etc/passwd" CACHE FILEPATH "Password database read to list the system's human accounts")
set(ORLA_TRANSLATIONS_DIR "/usr/share/orla/translations" CACHE PATH "Directory of the translation catalogues")

if(ORLA_SYSTEM_ROOT)
    get_filename_component(ORLA_SYSTEM_ROOT "${ORLA_SYSTEM_ROOT}" ABSOLUTE)
    string(REGEX REPLACE "/+$" "" ORLA_SYSTEM_ROOT "${ORLA_SYSTEM_ROOT}")
    if(ORLA_SYSTEM_ROOT STREQUAL "")
        message(FATAL_ERROR "ORLA_SYSTEM_ROOT must not be /; leave it empty for the real system")
    endif()
    message(STATUS "Kiosk tree and module switches live below ${ORLA_SYSTEM_ROOT}")
endif()

set(ORLA_TAVRIX_ETC_DIR           "${ORLA_SYSTEM_ROOT}/etc/tavrix")
set(ORLA_SYSTEM_PROFILES_DIR      "${ORLA_TAVRIX_ETC_DIR}/kiosk2-profiles")
set(ORLA_USER_PROFILES_DIR        "${ORLA_TAVRIX_ETC_DIR}/kiosk2")
set(ORLA_AUTO_ENFORCE_FILE        "${ORLA_TAVRIX_ETC_DIR}/kiosk2_enforce")
set(ORLA_AUTO_COMPLAIN_FILE       "${ORLA_TAVRIX_ETC_DIR}/kiosk2_complain")
set(ORLA_MODULE_PARAMETERS_DIR    "${ORLA_SYSTEM_ROOT}/sys/module/tavrix/parameters")
set(ORLA_ENFORCE_PARAMETER        "${ORLA_MODULE_PARAMETERS_DIR}/uc_enforce")
set(ORLA_COMPLAIN_PARAMETER       "${ORLA_MODULE_PARAMETERS_DIR}/uc_complain")
set(ORLA_MODULE_TOOLS_DIR         "${ORLA_SYSTEM_ROOT}/usr/lib/tavrix/bin")
set(ORLA_UCCOLLECT_PROGRAM        "${ORLA_MODULE_TOOLS_DIR}/uccollect")
# Decides at the start of a session whether it runs confined, and confines it
# (the session start-up and the PAM module run it).
set(ORLA_CONFINE_PROGRAM          "${ORLA_MODULE_TOOLS_DIR}/tavrix-confine")

# The kernel log that the module's trace mode reports to, and the dmesg that
# reads it. A scratch build has no module of its own: its stand-in reporter
# writes to a file below the scratch root and a stand-in dmesg there reads and
# clears that file, so tests never clear the machine's kernel log.
if(ORLA_SYSTEM_ROOT)
    set(ORLA_KERNEL_LOG           "${ORLA_SYSTEM_ROOT}/var/log/kernel.log")
    set(ORLA_DMESG_PROGRAM        "${ORLA_SYSTEM_ROOT}/usr/bin/dmesg")
else()
    set(ORLA_KERNEL_LOG           "/dev/kmsg")
    set(ORLA_DMESG_PROGRAM        "/usr/bin/dmesg")
endif()

# A scratch build has its catalogues where its own programs look, below the
# scratch root, as an installed system has them in the real place: the
# programs then speak the locale's language in tests and in the demo.
if(ORLA_SYSTEM_ROOT)
    set(ORLA_TRANSLATIONS_DIR     "${ORLA_SYSTEM_ROOT}/usr/share/orla/translations")
endif()

# The rule recorder's own bookkeeping (temporary accounts to clean up, a
# recording interrupted by a crash). Empty: Qt's settings storage of the user
# running the helper, root. A scratch build keeps it below the scratch root.
if(ORLA_SYSTEM_ROOT)
    set(ORLA_TRACER_SETTINGS_FILE "${ORLA_SYSTEM_ROOT}/var/lib/orla-admin-kiosk/kiosk_tracer.conf")
else()
    set(ORLA_TRACER_SETTINGS_FILE "")
endif()

# The helper's own state, readable by root alone: the journal of a save in
# progress, replayed or undone when the helper starts after a crash, and the
# earlier configurations kept before each save.
set(ORLA_HELPER_STATE_DIR         "${ORLA_SYSTEM_ROOT}/var/lib/orla-admin-kiosk")
set(ORLA_TRANSACTION_JOURNAL_DIR  "${ORLA_HELPER_STATE_DIR}/transaction")
set(ORLA_SNAPSHOTS_DIR            "${ORLA_HELPER_STATE_DIR}/snapshots")

# Commands the rule recorder runs as root. The helper's environment is not
# trusted to find them, so each is an absolute path.
set(ORLA_SU_PROGRAM               "/usr/bin/su")
set(ORLA_BASH_PROGRAM             "/usr/bin/bash")
set(ORLA_XHOST_PROGRAM            "/usr/bin/xhost")
set(ORLA_XAUTH_PROGRAM            "/usr/bin/xauth")
set(ORLA_DBUS_DAEMON_PROGRAM      "/usr/bin/dbus-daemon")

# Where each kiosk session's own temporary directory (TMPDIR) is made at
# login, one per uid, by root: the base profile base-tmp names it, so it is
# the same path in every build. pam_tmpdir makes the same layout.
set(ORLA_SESSION_TMP_DIR          "/tmp/user")

# Account tools stay the system's own: a scratch root has no accounts of its own.
set(ORLA_ADDUSER_PROGRAM          "/usr/sbin/adduser")
set(ORLA_USERDEL_PROGRAM          "/usr/sbin/userdel")

# Parent of the accounts' home directories; the profile editor's file pickers start there.
set(ORLA_HOMES_DIR                "/home")
# The desktop's application menu of an account (%1: the account name), and the
# applications folder the menu picker falls back to.
set(ORLA_START_MENU_DIR_PATTERN   "${ORLA_HOMES_DIR}/%1/.orla/startmenu")
set(ORLA_APPLICATIONS_DIR         "/usr/share/applications")
# Where the recording dialog's program picker starts.
set(ORLA_PROGRAMS_DIR             "/usr/bin")
# Where a menu entry's program without a directory is looked for, in this order.
set(ORLA_MENU_PROGRAM_DIRS        "/usr/local/bin/:/usr/bin/:/bin/:/usr/local/games/:/usr/games/")

# Terminals the recording dialog offers to run an application in. A scratch
# build looks for them below its root, so that tests decide which are installed.
set(ORLA_ORLA_TERM_PROGRAM        "${ORLA_SYSTEM_ROOT}/usr/bin/orla-term")
set(ORLA_XTERM_PROGRAM            "${ORLA_SYSTEM_ROOT}/usr/bin/xterm")

# Tests that write profiles, switches and a password file do so below the
# scratch root; see orla_guard_scratch_root_tests() for a build on the real
# system's paths.
if(BUILD_TESTING AND ORLA_SYSTEM_ROOT)
    get_filename_component(_orla_passwd "${ORLA_PASSWD_FILE}" ABSOLUTE)
    string(FIND "${_orla_passwd}" "${ORLA_SYSTEM_ROOT}/" _orla_passwd_in_root)
    if(NOT _orla_passwd_in_root EQUAL 0)
        message(FATAL_ERROR "Tests write the password file the build reads: with tests on, set -DORLA_PASSWD_FILE to a file below ORLA_SYSTEM_ROOT (${ORLA_SYSTEM_ROOT}), or turn them off with -DBUILD_TESTING=OFF")
    endif()
endif()

# Tests that write the kiosk tree, the helper's state or the account
# database: they hold the tree's lock and carry the label "scratchroot".
# On the real system's paths they are disabled, as are the tests on the
# private bus (orla_add_bus_test), which start the helper on the build's
# compiled-in paths; what is left runs in the package build.
function(orla_scratch_root_tests)
    set_property(TEST ${ARGN} PROPERTY RESOURCE_LOCK kioskroot)
    set_property(TEST ${ARGN} APPEND PROPERTY LABELS scratchroot)
    if(NOT ORLA_SYSTEM_ROOT)
        set_property(TEST ${ARGN} PROPERTY DISABLED TRUE)
    endif()
endfunction()

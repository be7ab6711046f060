/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SESSIONTMPDIR_H
#define ORLA_SESSIONTMPDIR_H

#include <string>

#include <sys/types.h>

/**
 * A kiosk session's own temporary directory, SystemPaths::sessionTmpDir/UID,
 * which its TMPDIR names: what a program makes there (mktemp, a wrapper's
 * scratch file) is granted by one rule on the user's own directory instead
 * of creation below all of /tmp.
 *
 * The user controls /tmp and may have planted anything there before its
 * login. So the directories are walked from "/" without following a link,
 * the parent must be root's and writable by nobody else, and the user's
 * directory must be the user's own, mode 0700, inside it. prepare() (root
 * only) puts whatever is in the way aside under a new name, never
 * following or removing it, and makes both afresh; find() only looks.
 */
namespace SessionTmpDir
{
/** Makes or repairs the directory of @p uid; its path, or empty with @p reason set. */
std::string prepare(uid_t uid, gid_t gid, std::string *reason);

/** The directory of @p uid when it is as prepare() leaves it; empty otherwise. */
std::string find(uid_t uid);
}

#endif

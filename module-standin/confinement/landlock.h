/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_LANDLOCK_H
#define ORLA_LANDLOCK_H

// The kernel's Landlock interface, from Debian's UAPI headers, and the one
// step both the confinement program and the PAM module take. No Qt here:
// the PAM module is loaded into su and login.

#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

// Debian 12's headers know ABI 2; the rights of later ABIs are the kernel's
// fixed numbers, offered by kernels that report those ABIs.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif

namespace Landlock
{
/**
 * Puts the calling thread, and every process it starts, under the ruleset
 * @p rulesetFd for good: no_new_privs first (a set-user-id program could
 * otherwise carry the user out of it), then the ruleset. 0, or -1 with errno.
 */
inline int restrictSelf(int rulesetFd)
{
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return -1;
    }
    return int(syscall(SYS_landlock_restrict_self, rulesetFd, 0U));
}
}

#endif

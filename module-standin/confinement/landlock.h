/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_LANDLOCK_H
#define ORLA_LANDLOCK_H

// The kernel's Landlock interface, from Debian's UAPI headers, and the one
// step both the confinement program and the PAM module take. No Qt here:
// the PAM module is loaded into su and login.

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Debian 12's headers know ABI 2; the rights of later ABIs are the kernel's
// fixed numbers, offered by kernels that report those ABIs.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif

#ifndef LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET
#define LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET (1ULL << 0)
#endif
#ifndef LANDLOCK_SCOPE_SIGNAL
#define LANDLOCK_SCOPE_SIGNAL (1ULL << 1)
#endif

namespace Landlock
{
// The ruleset's attributes as ABI 6 knows them (Debian 12's headers stop at
// the first field); a kernel takes the part it knows, the rest being zero.
struct RulesetAttributes {
    __u64 handled_access_fs = 0;
    __u64 handled_access_net = 0;
    __u64 scoped = 0;
};

/**
 * Refuses TIOCSTI and TIOCLINUX to the calling thread and everything it
 * starts: with them a session pushes input into the terminal it was started
 * on, which after root's "su -" is root's, and root's shell reads it once
 * the session ends. Landlock does not see a terminal opened before the
 * session was confined. Needs no_new_privs. 0, or -1 with errno.
 */
inline int refuseTerminalInput()
{
#if defined(__x86_64__)
    constexpr __u32 nativeArch = AUDIT_ARCH_X86_64;
    constexpr __u32 nativeIoctl = __NR_ioctl;
    // x32 calls come with the native architecture and a number of their own.
    constexpr __u32 otherNativeIoctl = 0x40000000U + 514U;
    constexpr __u32 compatArch = AUDIT_ARCH_I386;
    constexpr __u32 compatIoctl = 54;
#elif defined(__aarch64__)
    constexpr __u32 nativeArch = AUDIT_ARCH_AARCH64;
    constexpr __u32 nativeIoctl = __NR_ioctl;
    constexpr __u32 otherNativeIoctl = __NR_ioctl;
    constexpr __u32 compatArch = AUDIT_ARCH_ARM;
    constexpr __u32 compatIoctl = 54;
#elif defined(__i386__) || defined(__arm__)
#if defined(__i386__)
    constexpr __u32 nativeArch = AUDIT_ARCH_I386;
#else
    constexpr __u32 nativeArch = AUDIT_ARCH_ARM;
#endif
    constexpr __u32 nativeIoctl = __NR_ioctl;
    constexpr __u32 otherNativeIoctl = __NR_ioctl;
    constexpr __u32 compatArch = nativeArch;
    constexpr __u32 compatIoctl = __NR_ioctl;
#else
    // No filter known for this architecture: no confinement either.
    errno = ENOSYS;
    return -1;
#endif
#if defined(__x86_64__) || defined(__aarch64__) || defined(__i386__) || defined(__arm__)
    // The kernel reads an ioctl's command as 32 bits: the low half of the argument.
    constexpr __u32 commandLow = offsetof(seccomp_data, args[1]) + (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? 0 : 4);
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nativeArch, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, compatArch, 4, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        // 4: native
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nativeIoctl, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, otherNativeIoctl, 3, 2),
        // 7: compat
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, compatIoctl, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        // 10: an ioctl
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, commandLow),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, TIOCSTI, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, TIOCLINUX, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
    };
    const sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter, 0, 0);
#endif
}

/**
 * Empties the calling thread's capability bounding set, which takes
 * CAP_SETPCAP: a kiosk account, which never has it, cannot do the same to
 * a process of its own. A confined session whose start ran as root carries
 * this as the mark that tells it from a process its account left running
 * unconfined (with no_new_privs and its seccomp filter, in the first user
 * namespace); it costs the session nothing, since no_new_privs already
 * keeps it from ever gaining a capability. False when unprivileged.
 */
inline bool markConfined()
{
    if (prctl(PR_CAPBSET_DROP, 0, 0, 0, 0) != 0) {
        return false;
    }
    // Beyond the last capability the kernel knows, EINVAL.
    for (unsigned long capability = 1; capability < 64; ++capability) {
        if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0 && errno == EINVAL) {
            break;
        }
    }
    return true;
}

/**
 * Puts the calling thread, and every process it starts, under the ruleset
 * @p rulesetFd for good: no_new_privs first (a set-user-id program could
 * otherwise carry the user out of it), the mark of a confined session when
 * privileged, the terminal filter, then the ruleset. 0, or -1 with errno.
 */
inline int restrictSelf(int rulesetFd)
{
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return -1;
    }
    markConfined();
    if (refuseTerminalInput() != 0) {
        return -1;
    }
    return int(syscall(SYS_landlock_restrict_self, rulesetFd, 0U));
}
}

#endif

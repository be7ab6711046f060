/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// pam_tavrix_confine: kiosk confinement for the sessions of su, su -l and
// login (a "session required" line at the end of their stacks).
//
// pam_exec would confine a child of its own and nothing else; the session
// must be confined in the process that becomes it. su and login open the
// session and then fork that process, before it takes the user's identity
// and starts the shell. So the session is opened here by asking
// tavrix-confine (run as root, with a clean environment) for the decision
// and, for a confined session, the ruleset's descriptor; the first fork
// after that puts its child under the ruleset, while the parent, which
// waits as root to close the session and keeps the login records, stays as
// it was.
//
// Fails closed: a kiosk session whose confinement cannot be decided or
// applied does not start. Root's sessions never ask at all.
//
// Built without sanitizers and without Qt: it is loaded into su and login.

#include "../landlock.h"
#include "systempaths.h"

#include <security/pam_ext.h>
#include <security/pam_modules.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

// The project's build hides symbols; these two are what PAM looks up.
#define TAVRIX_PAM_ENTRY extern "C" __attribute__((visibility("default"))) int

namespace
{
// How long a login waits for the decision.
constexpr int answerTimeoutMs = 30000;

// The ruleset the next fork's child goes under; -1 when none is pending.
int pendingRuleset = -1;
bool forkHandlersRegistered = false;

void confineChild()
{
    if (pendingRuleset < 0) {
        return;
    }
    if (Landlock::restrictSelf(pendingRuleset) != 0) {
        static const char message[] = "pam_tavrix_confine: the kiosk session cannot be confined; it does not start\n";
        (void)!write(STDERR_FILENO, message, sizeof message - 1);
        _exit(1);
    }
    close(pendingRuleset);
    pendingRuleset = -1;
}

void forgetInParent()
{
    if (pendingRuleset >= 0) {
        close(pendingRuleset);
        pendingRuleset = -1;
    }
}

struct Answer {
    char text[1024] = {};
    int fd = -1;
};

// Runs tavrix-confine --ruleset ACCOUNT with a socket as its standard
// output and reads its one message. False when there is none.
bool ask(pam_handle_t *pamh, const char *account, Answer *answer)
{
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0) {
        pam_syslog(pamh, LOG_ERR, "socketpair: %s", std::strerror(errno));
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        pam_syslog(pamh, LOG_ERR, "fork: %s", std::strerror(errno));
        close(sockets[0]);
        close(sockets[1]);
        return false;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(sockets[1], STDOUT_FILENO) < 0 || dup2(null, STDERR_FILENO) < 0) {
            _exit(127);
        }
        closefrom(STDERR_FILENO + 1);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        // Root in full, whoever called su.
        if (setresgid(0, 0, 0) != 0 || setresuid(0, 0, 0) != 0) {
            _exit(127);
        }
        char program[] = "tavrix-confine";
        char option[] = "--ruleset";
        char *const arguments[] = {program, option, const_cast<char *>(account), nullptr};
        char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
        char *const environment[] = {path, nullptr};
        execve(SystemPaths::confineProgram, arguments, environment);
        _exit(127);
    }
    close(sockets[1]);

    bool answered = false;
    pollfd wait{sockets[0], POLLIN, 0};
    if (poll(&wait, 1, answerTimeoutMs) == 1) {
        iovec part{answer->text, sizeof answer->text - 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr header{};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t length = recvmsg(sockets[0], &header, MSG_CMSG_CLOEXEC);
        if (length > 0) {
            answer->text[length] = '\0';
            answered = true;
            for (cmsghdr *part = CMSG_FIRSTHDR(&header); part; part = CMSG_NXTHDR(&header, part)) {
                if (part->cmsg_level == SOL_SOCKET && part->cmsg_type == SCM_RIGHTS) {
                    std::memcpy(&answer->fd, CMSG_DATA(part), sizeof answer->fd);
                }
            }
        }
    } else {
        pam_syslog(pamh, LOG_ERR, "%s did not answer within %d s", SystemPaths::confineProgram, answerTimeoutMs / 1000);
        kill(child, SIGKILL);
    }
    close(sockets[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (!answered) {
        pam_syslog(pamh, LOG_ERR, "no answer from %s (status %d)", SystemPaths::confineProgram, status);
    }
    return answered;
}
}

TAVRIX_PAM_ENTRY pam_sm_open_session(pam_handle_t *pamh, int flags, int argc, const char **argv)
{
    (void)flags;
    (void)argc;
    (void)argv;
    forgetInParent();

    const char *account = nullptr;
    if (pam_get_user(pamh, &account, nullptr) != PAM_SUCCESS || !account) {
        pam_syslog(pamh, LOG_ERR, "no account to open a session for");
        return PAM_SESSION_ERR;
    }
    const passwd *entry = getpwnam(account);
    if (entry && entry->pw_uid == 0) {
        return PAM_IGNORE;
    }

    Answer answer;
    if (!ask(pamh, account, &answer)) {
        pam_error(pamh, "The kiosk confinement of this session cannot be decided.");
        return PAM_SESSION_ERR;
    }
    // "confined" and "unconfined" may carry the session's own TMPDIR on a
    // second line; "refused" carries its reason there.
    const char *verdict = answer.text;
    char *rest = std::strchr(answer.text, '\n');
    if (rest && std::strncmp(answer.text, "refused\n", 8) != 0) {
        *rest++ = '\0';
        if (std::strncmp(rest, "TMPDIR=/", 8) == 0 && !std::strchr(rest, '\n')) {
            pam_putenv(pamh, rest);
        }
    }
    if (std::strcmp(verdict, "unconfined") == 0) {
        pam_putenv(pamh, "TAVRIX_SESSION=unconfined");
        return PAM_SUCCESS;
    }
    if (std::strcmp(verdict, "confined") == 0 && answer.fd >= 0) {
        if (!forkHandlersRegistered) {
            // Unregistered by the C library when the module is unloaded.
            if (pthread_atfork(nullptr, forgetInParent, confineChild) != 0) {
                close(answer.fd);
                pam_syslog(pamh, LOG_ERR, "cannot register the confinement of the session's process");
                return PAM_SESSION_ERR;
            }
            forkHandlersRegistered = true;
        }
        pendingRuleset = answer.fd;
        pam_putenv(pamh, "TAVRIX_SESSION=confined");
        return PAM_SUCCESS;
    }
    if (answer.fd >= 0) {
        close(answer.fd);
    }
    const char *reason = std::strncmp(answer.text, "refused\n", 8) == 0 ? answer.text + 8 : answer.text;
    pam_syslog(pamh, LOG_ERR, "the kiosk session of %s is refused: %s", account, reason);
    pam_error(pamh, "This kiosk session cannot be confined, so it does not start: %s", reason);
    return PAM_SESSION_ERR;
}

TAVRIX_PAM_ENTRY pam_sm_close_session(pam_handle_t *pamh, int flags, int argc, const char **argv)
{
    (void)pamh;
    (void)flags;
    (void)argc;
    (void)argv;
    // The session ended without a fork: nothing is left to confine.
    forgetInParent();
    return PAM_SUCCESS;
}

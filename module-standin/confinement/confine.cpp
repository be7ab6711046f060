/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// tavrix-confine: the start of a kiosk session.
//
//   tavrix-confine [--] COMMAND [ARG...]
//       runs COMMAND as the session of the calling account (its real uid):
//       under the account's kiosk confinement when that is due, as it is
//       otherwise. The X session start-up runs it.
//   tavrix-confine --ruleset ACCOUNT
//       root only, for the PAM module: the decision for ACCOUNT goes to
//       standard output, a unix socket, as one message: "unconfined",
//       "confined" with the ruleset's descriptor, or "refused" and a line
//       with the reason. A kiosk user's "confined" and "unconfined" are
//       followed by a line "TMPDIR=PATH", the session's own temporary
//       directory, made ready first so that the profiles' rule on it
//       resolves; none when it cannot be had.
//
// COMMAND gets TAVRIX_SESSION=confined or unconfined in its environment, so
// that a session start-up that comes this way again (X started from a
// confined console) leaves the decision as it was made.
//
// What the profiles grant less than they say goes to the system log
// (authpriv), and in the first form to standard error too.

#include "kioskconfinement.h"
#include "landlock.h"
#include "sessiontmpdir.h"
#include "userwhitelist.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <pwd.h>
#include <sys/socket.h>
#include <syslog.h>
#include <unistd.h>

namespace
{
constexpr char sessionVariable[] = "TAVRIX_SESSION";

int usage()
{
    std::fprintf(stderr,
                 "usage: tavrix-confine [--] COMMAND [ARG...]\n"
                 "       tavrix-confine --ruleset ACCOUNT\n");
    return 2;
}

void report(const QString &account, const KioskConfinement &confinement, bool toStandardError)
{
    for (const QString &warning : confinement.warnings()) {
        syslog(LOG_WARNING, "%s: %s", qPrintable(account), qPrintable(warning));
        if (toStandardError) {
            std::fprintf(stderr, "tavrix-confine: %s: %s\n", qPrintable(account), qPrintable(warning));
        }
    }
    switch (confinement.verdict()) {
    case KioskConfinement::Verdict::Confined:
        syslog(LOG_INFO, "session of %s confined by %d rules", qPrintable(account), confinement.rules());
        break;
    case KioskConfinement::Verdict::Refused:
        syslog(LOG_ERR, "session of %s refused: %s", qPrintable(account), qPrintable(confinement.reason()));
        break;
    case KioskConfinement::Verdict::Unconfined:
        break;
    }
}

bool send(const QByteArray &message, int fd)
{
    iovec part{const_cast<char *>(message.constData()), size_t(message.size())};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr *rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(rights), &fd, sizeof fd);
    }
    return sendmsg(STDOUT_FILENO, &header, MSG_NOSIGNAL) == message.size();
}

int decideFor(const char *name)
{
    if (getuid() != 0) {
        std::fprintf(stderr, "tavrix-confine: --ruleset is for the PAM module, run as root\n");
        return 1;
    }
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(STDOUT_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) != 0) {
        std::fprintf(stderr, "tavrix-confine: with --ruleset, standard output must be a unix socket\n");
        return 1;
    }
    const QString account = QString::fromUtf8(name);
    const passwd *entry = getpwnam(name);
    if (!entry) {
        // No such account is nobody's kiosk user; whoever starts its session fails on it.
        return send("unconfined", -1) ? 0 : 1;
    }
    // Recording and enforcing alike: a recorded program's temporary files
    // land where the next, confined, session may make them again.
    QByteArray tmpdir;
    if (entry->pw_uid != 0 && UserWhitelist::isEnabledKioskUser(account)) {
        std::string reason;
        const std::string path = SessionTmpDir::prepare(entry->pw_uid, entry->pw_gid, &reason);
        if (path.empty()) {
            syslog(LOG_WARNING, "%s: no temporary directory of its own, TMPDIR is left as it is: %s", name, reason.c_str());
        } else {
            tmpdir = "\nTMPDIR=" + QByteArray::fromStdString(path);
        }
    }
    const KioskConfinement confinement(account, entry->pw_uid);
    report(account, confinement, false);
    bool sent = false;
    switch (confinement.verdict()) {
    case KioskConfinement::Verdict::Unconfined:
        sent = send("unconfined" + tmpdir, -1);
        break;
    case KioskConfinement::Verdict::Confined:
        sent = send("confined" + tmpdir, confinement.rulesetFd());
        break;
    case KioskConfinement::Verdict::Refused:
        sent = send("refused\n" + confinement.reason().toUtf8(), -1);
        break;
    }
    return sent ? 0 : 1;
}

int run(char **command)
{
    const uid_t uid = getuid();
    const passwd *entry = getpwuid(uid);
    const QString account = entry ? QString::fromUtf8(entry->pw_name) : QString::number(uid);
    const KioskConfinement confinement(account, uid);
    report(account, confinement, true);
    switch (confinement.verdict()) {
    case KioskConfinement::Verdict::Refused:
        std::fprintf(stderr, "tavrix-confine: the kiosk session of %s cannot be confined: %s\n", qPrintable(account), qPrintable(confinement.reason()));
        return 1;
    case KioskConfinement::Verdict::Confined:
        if (Landlock::restrictSelf(confinement.rulesetFd()) != 0) {
            std::fprintf(stderr, "tavrix-confine: the kiosk session of %s cannot be confined: %s\n", qPrintable(account), std::strerror(errno));
            return 1;
        }
        setenv(sessionVariable, "confined", 1);
        break;
    case KioskConfinement::Verdict::Unconfined:
        setenv(sessionVariable, "unconfined", 1);
        break;
    }
    // Made by a login as root before; this start-up runs as the user and
    // can only take it as it is.
    if (uid != 0 && UserWhitelist::isEnabledKioskUser(account)) {
        const std::string tmpdir = SessionTmpDir::find(uid);
        if (!tmpdir.empty()) {
            setenv("TMPDIR", tmpdir.c_str(), 1);
        }
    }
    execvp(command[0], command);
    std::fprintf(stderr, "tavrix-confine: cannot run %s: %s\n", command[0], std::strerror(errno));
    return 127;
}
}

int main(int argc, char **argv)
{
    openlog("tavrix-confine", LOG_PID, LOG_AUTHPRIV);
    if (argc == 3 && std::strcmp(argv[1], "--ruleset") == 0) {
        return decideFor(argv[2]);
    }
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) {
        first = 2;
    } else if (argc > 1 && argv[1][0] == '-') {
        return usage();
    }
    if (first >= argc) {
        return usage();
    }
    return run(argv + first);
}

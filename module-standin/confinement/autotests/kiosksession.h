/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKSESSION_H
#define ORLA_KIOSKSESSION_H

#include "accountcommand.h"
#include "kiosktree.h"
#include "landlockruleset.h"
#include "protocol/traceapplicationactionsmap.h"
#include "scratchroot.h"
#include "systempaths.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

/**
 * The kiosk sessions the confinement bus tests log in: the demo tree and the
 * run's accounts they start on, the enforce switch, and the programs they run.
 */
namespace KioskSession
{
using AccountCommand::denied;
using AccountCommand::Run;
using AccountCommand::run;
using AccountCommand::su;

/** Why no kiosk session can start confined here; null when one can. */
inline const char *missing()
{
    if (!ScratchRoot::isScratchBuild()) {
        return "the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>";
    }
    if (qEnvironmentVariableIsEmpty("ORLA_TESTBUS_DIR") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        return "needs accounts, the module, a display and the session hooks: run under testbus/run-with-system-bus.sh";
    }
    if (LandlockRuleset::abi() == 0) {
        return "the kernel offers no Landlock, so no kiosk session can start confined";
    }
    return nullptr;
}

inline void createAccount(const QString &name)
{
    const Run added =
        run(QStringLiteral("adduser"), {QStringLiteral("--quiet"), QStringLiteral("--disabled-password"), QStringLiteral("--gecos"), QString(), name});
    QVERIFY2(added.code == 0, qPrintable(added.output));
}

/** The session hooks are in place; the demo tree afresh below the scratch root, and @p accounts made. */
inline void prepare(const QStringList &accounts)
{
    QFile su(QStringLiteral("/etc/pam.d/su"));
    QVERIFY(su.open(QIODevice::ReadOnly));
    QVERIFY2(su.readAll().contains("pam_tavrix_confine.so"), "the session hooks are not installed: run with --confinement");

    ScratchRoot::reset();
    const Run tree = run(QStringLiteral("bash"), {QStringLiteral(DEMO_TREE_SCRIPT), ScratchRoot::root()});
    QVERIFY2(tree.code == 0, qPrintable(tree.output));
    for (const QString &account : accounts) {
        createAccount(account);
    }
}

inline void setEnforce(bool on)
{
    KioskTree::setSwitch(QString::fromUtf8(SystemPaths::enforceParameter), on);
}

inline QString home(const QString &account)
{
    return QStringLiteral("/home/") + account;
}

/** Whether @p path is a directory of @p uid's alone, and no link. */
inline bool isPrivateDir(const QString &path, uid_t uid)
{
    struct stat st {
    };
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 07777) == 0700;
}

/** Running, and not merely left unreaped. */
inline bool alive(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    return status.open(QIODevice::ReadOnly) && !status.readAll().contains("State:\tZ");
}

inline QString script(const QString &path, const QByteArray &body, const QString &owner = QString())
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("#!/bin/sh\n" + body + '\n');
        file.close();
    }
    run(QStringLiteral("chmod"), {QStringLiteral("755"), path});
    if (!owner.isEmpty()) {
        run(QStringLiteral("chown"), {owner, path});
    }
    return path;
}

/** What the X session start-up logged, run as a display manager runs it for @p account, without a login of its own. */
inline QString xSessionLog(const QString &account, const QString &program, const QStringList &environment = {})
{
    const QString errors = home(account) + QStringLiteral("/.xsession-errors");
    QFile::remove(errors);
    run(QStringLiteral("setpriv"),
        QStringList{QStringLiteral("--reuid=") + account,
                    QStringLiteral("--regid=") + account,
                    QStringLiteral("--init-groups"),
                    QStringLiteral("env"),
                    QStringLiteral("-i"),
                    QStringLiteral("HOME=") + home(account),
                    QStringLiteral("USER=") + account,
                    QStringLiteral("LOGNAME=") + account,
                    QStringLiteral("PATH=/usr/bin:/bin")}
            + environment + QStringList{QStringLiteral("/etc/X11/Xsession"), program});
    QFile file(errors);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/** The display as a display manager grants it: a cookie in @p account's home. */
inline void giveCookie(const QString &account)
{
    const QString cookie = home(account) + QStringLiteral("/.Xauthority");
    QFile::remove(cookie);
    const QStringList extract{QStringLiteral("-f"), qEnvironmentVariable("XAUTHORITY"), QStringLiteral("extract"), cookie, qEnvironmentVariable("DISPLAY")};
    QCOMPARE(run(QStringLiteral("xauth"), extract).code, 0);
    QCOMPARE(run(QStringLiteral("chown"), {account, cookie}).code, 0);
}

/** The recording of @p command as @p account, on the test's display. */
inline TraceApplicationActionsMap recording(const QString &account, const QString &command)
{
    TraceApplicationActionsMap arguments{QString()};
    arguments.setCommand(command);
    arguments.setUsername(account);
    arguments.setDisplay(qEnvironmentVariable("DISPLAY"));
    arguments.setXauthorytyPath(qEnvironmentVariable("XAUTHORITY"));
    return arguments;
}
}

#endif

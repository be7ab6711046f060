/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "failures/userexception.h"
#include "system/user.h"
#include "systempaths.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <unistd.h>

namespace
{
int runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}

// Removes the accounts a test created, whatever way the test ends. Goes round
// the code under test on purpose: a broken remove() must not leave accounts behind.
class AccountGuard
{
public:
    ~AccountGuard()
    {
        removeAll();
    }

    QString add(const QString &name)
    {
        m_names << name;
        return name;
    }

    void removeAll()
    {
        for (const QString &name : qAsConst(m_names)) {
            if (runQuietly(QStringLiteral("id"), {QStringLiteral("-u"), name}) == 0) {
                runQuietly(QString::fromUtf8(SystemPaths::userdelProgram), {QStringLiteral("-f"), QStringLiteral("-r"), name});
            }
        }
        m_names.clear();
    }

private:
    QStringList m_names;
};

// Every account this test makes carries the reserved prefix, so a leftover is easy to spot.
QString testAccountName()
{
    return QStringLiteral("orlatest%1").arg(QRandomGenerator::global()->bounded(100000, 1000000));
}
}

class AccountsTest : public QObject
{
    Q_OBJECT

private:
    AccountGuard m_guard;

private Q_SLOTS:
    void initTestCase()
    {
        if (geteuid() != 0) {
            QSKIP("creating and deleting accounts needs root");
        }
        if (!QFile::exists(QString::fromUtf8(SystemPaths::adduserProgram)) || !QFile::exists(QString::fromUtf8(SystemPaths::userdelProgram))) {
            QSKIP("the account tools are not installed");
        }
    }

    void cleanup()
    {
        m_guard.removeAll();
    }

    void createAndRemoveOnce()
    {
        User user(m_guard.add(testAccountName()));
        QVERIFY(!user.exists());

        user.create();
        QVERIFY(user.exists());
        const int uid = user.getUid();
        QVERIFY(uid > 999);
        const QString home = user.homeDir();
        QCOMPARE(home, QStringLiteral("/home/") + user.name());
        QVERIFY(QDir(home).exists());
        QVERIFY(!user.logged());

        user.remove();
        QVERIFY(!user.exists());
        QVERIFY(!QDir(home).exists());
        try {
            user.remove();
            QFAIL("removing a missing account succeeded");
        } catch (const UserException &e) {
            QCOMPARE(e.username(), user.name());
            QVERIFY2(e.fullDetails().startsWith(user.name() + QStringLiteral(": Process '") + QString::fromUtf8(SystemPaths::userdelProgram)
                                                + QStringLiteral(" -f -r ")),
                     qPrintable(e.fullDetails()));
        }
    }

    void createExistingFails()
    {
        User user(m_guard.add(testAccountName()));
        user.create();
        try {
            user.create();
            QFAIL("creating an existing account succeeded");
        } catch (const UserException &e) {
            QCOMPARE(e.username(), user.name());
            QVERIFY2(e.fullDetails().contains(QStringLiteral("complited with exit code")), qPrintable(e.fullDetails()));
        }
        QVERIFY(user.exists());
    }
};

QTEST_GUILESS_MAIN(AccountsTest)

#include "accountstest.moc"

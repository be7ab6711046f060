/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "system/accountdirectory.h"

#include "system/user.h"

#include <QTest>

#include <pwd.h>
#include <unistd.h>

class AccountDirectoryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameAnswerAsTheAccountTool_data()
    {
        QTest::addColumn<QString>("name");
        // The account tools refuse these; the status must not fail on them.
        QTest::addColumn<bool>("noAccountCanHaveIt");
        QTest::newRow("root") << QStringLiteral("root") << false;
        QTest::newRow("daemon") << QStringLiteral("daemon") << false;
        QTest::newRow("missing") << QStringLiteral("orla-no-such-account") << false;
        const passwd *self = getpwuid(getuid());
        QVERIFY(self);
        QTest::newRow("this process's account") << QString::fromUtf8(self->pw_name) << false;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("blank inside") << QStringLiteral("root daemon") << true;
        QTest::newRow("option") << QStringLiteral("-u") << true;
        QTest::newRow("uid") << QStringLiteral("0") << true;
        QTest::newRow("path") << QStringLiteral("../root") << true;
    }

    void sameAnswerAsTheAccountTool()
    {
        QFETCH(QString, name);
        QFETCH(bool, noAccountCanHaveIt);
        AccountDirectory accounts;
        const bool exists = !noAccountCanHaveIt && User(name).exists();
        QCOMPARE(accounts.exists(name), exists);
        // Asked again, from what it remembers.
        QCOMPARE(accounts.exists(name), exists);
    }
};

QTEST_GUILESS_MAIN(AccountDirectoryTest)

#include "accountdirectorytest.moc"

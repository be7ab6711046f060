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
    void sameAnswerAsTheAccountTool_data();
    void sameAnswerAsTheAccountTool();
    void namesNoAccountCanHave_data();
    void namesNoAccountCanHave();
};

void AccountDirectoryTest::sameAnswerAsTheAccountTool_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("root") << QStringLiteral("root");
    QTest::newRow("daemon") << QStringLiteral("daemon");
    QTest::newRow("missing") << QStringLiteral("orla-no-such-account");
    const passwd *self = getpwuid(getuid());
    QVERIFY(self);
    QTest::newRow("this process's account") << QString::fromUtf8(self->pw_name);
}

void AccountDirectoryTest::sameAnswerAsTheAccountTool()
{
    QFETCH(QString, name);
    AccountDirectory accounts;
    QCOMPARE(accounts.exists(name), User(name).exists());
    // Asked again, from what it remembers.
    QCOMPARE(accounts.exists(name), User(name).exists());
}

void AccountDirectoryTest::namesNoAccountCanHave_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank inside") << QStringLiteral("root daemon");
    QTest::newRow("option") << QStringLiteral("-u");
    QTest::newRow("uid") << QStringLiteral("0");
    QTest::newRow("path") << QStringLiteral("../root");
}

// The account tools refuse these; the status must not fail on them.
void AccountDirectoryTest::namesNoAccountCanHave()
{
    QFETCH(QString, name);
    AccountDirectory accounts;
    QVERIFY(!accounts.exists(name));
}

QTEST_GUILESS_MAIN(AccountDirectoryTest)

#include "accountdirectorytest.moc"

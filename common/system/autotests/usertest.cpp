/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "system/user.h"
#include "failures/userexception.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Declared before the first use: a release build checks it at compile time.
Q_DECLARE_METATYPE(std::function<void(User &)>)

class UserTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tools;
    QByteArray m_path;

    // Puts a stand-in for a system tool in front of PATH for the rest of the test.
    bool writeTool(const QString &name, const QByteArray &script)
    {
        QFile file(m_tools.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write("#!/bin/sh\n" + script + '\n') < 0) {
            return false;
        }
        return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tools.isValid());
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + m_path);
    }

    void cleanupTestCase()
    {
        qputenv("PATH", m_path);
    }

    void validNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");

        QTest::newRow("plain") << QStringLiteral("alice") << true;
        QTest::newRow("digits, dash, underscore") << QStringLiteral("kiosk-user_02") << true;
        QTest::newRow("leading underscore") << QStringLiteral("_apt") << true;
        QTest::newRow("uppercase and dot") << QStringLiteral("John.Smith") << true;
        QTest::newRow("machine account") << QStringLiteral("host$") << true;
        QTest::newRow("32 characters") << QString(32, QLatin1Char('a')) << true;
        QTest::newRow("33 characters") << QString(33, QLatin1Char('a')) << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank inside") << QStringLiteral("bob smith") << false;
        QTest::newRow("trailing newline") << QStringLiteral("bob\n") << false;
        QTest::newRow("double quotes") << QStringLiteral("\"bob\"") << false;
        QTest::newRow("single quote") << QStringLiteral("bo'b") << false;
        QTest::newRow("slash") << QStringLiteral("../root") << false;
        QTest::newRow("leading dash: an option") << QStringLiteral("-r") << false;
        QTest::newRow("leading digit: a uid") << QStringLiteral("0") << false;
        QTest::newRow("NUL") << QStringLiteral("bob") + QChar(0) + QStringLiteral("x") << false;
        QTest::newRow("dollar inside") << QStringLiteral("a$b") << false;
        QTest::newRow("non-ASCII") << QStringLiteral("jörg") << false;
        QTest::newRow("shell") << QStringLiteral("a;reboot") << false;
    }

    void validNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(User::isValidName(name), valid);
    }

    // Every operation that hands the name to a tool refuses a bad one first, and says which name.
    void invalidNameNeverReachesATool_data()
    {
        QTest::addColumn<std::function<void(User &)>>("operation");
        QTest::newRow("exists") << std::function<void(User &)>(&User::exists);
        QTest::newRow("create") << std::function<void(User &)>(&User::create);
        QTest::newRow("remove") << std::function<void(User &)>(&User::remove);
        QTest::newRow("getUid") << std::function<void(User &)>(&User::getUid);
        QTest::newRow("homeDir") << std::function<void(User &)>(&User::homeDir);
    }

    void invalidNameNeverReachesATool()
    {
        QFETCH(std::function<void(User &)>, operation);
        // A stand-in "id" that would notice being called; the account tools are
        // absolute paths and are never reached because the check comes first.
        QVERIFY(writeTool(QStringLiteral("id"), "echo called > \"" + QFile::encodeName(m_tools.filePath(QStringLiteral("id-called"))) + "\"; exit 0"));
        User user(QStringLiteral("root -r"));
        try {
            operation(user);
            QFAIL("an invalid name was accepted");
        } catch (const UserException &e) {
            QCOMPARE(e.username(), QStringLiteral("root -r"));
            QCOMPARE(e.details(), QStringLiteral("Invalid user name"));
            QCOMPARE(e.fullDetails(), QStringLiteral("root -r: Invalid user name"));
        }
        QVERIFY(!QFile::exists(m_tools.filePath(QStringLiteral("id-called"))));
        QFile::remove(m_tools.filePath(QStringLiteral("id")));
    }

    void existingAndMissingAccounts()
    {
        User root(QStringLiteral("root"));
        QCOMPARE(root.name(), QStringLiteral("root"));
        QVERIFY(root.exists());
        QCOMPARE(root.getUid(), 0);
        QCOMPARE(root.homeDir(), QStringLiteral("/root"));

        User user(QStringLiteral("orlatest_absent"));
        QVERIFY(!user.exists());
        try {
            user.getUid();
            QFAIL("the uid of a missing account was found");
        } catch (const UserException &e) {
            QCOMPARE(e.username(), QStringLiteral("orlatest_absent"));
            QVERIFY2(e.fullDetails().startsWith(QStringLiteral("orlatest_absent: Process 'id -u orlatest_absent' complited with exit code 1. ")),
                     qPrintable(e.fullDetails()));
        }
        QVERIFY_EXCEPTION_THROWN(user.homeDir(), UserException);
    }

    void idOutputIsReadAsNumber()
    {
        QVERIFY(writeTool(QStringLiteral("id"), "echo '  1234  '"));
        QCOMPARE(User(QStringLiteral("someone")).getUid(), 1234);
        QVERIFY(writeTool(QStringLiteral("id"), "exit 3"));
        QVERIFY(!User(QStringLiteral("someone")).exists());
        QFile::remove(m_tools.filePath(QStringLiteral("id")));
    }

    void logged_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("logged");
        QTest::newRow("listed twice") << QStringLiteral("alice") << true;
        QTest::newRow("listed once") << QStringLiteral("bob") << true;
        QTest::newRow("not listed") << QStringLiteral("carol") << false;
        QTest::newRow("prefix of a listed name") << QStringLiteral("ali") << false;
    }

    void logged()
    {
        QFETCH(QString, name);
        QFETCH(bool, logged);
        QVERIFY(writeTool(QStringLiteral("users"), "echo ' alice  bob alice '"));
        QCOMPARE(User(name).logged(), logged);
    }

    void loggedFailsWhenUsersFails()
    {
        QVERIFY(writeTool(QStringLiteral("users"), "echo broken >&2; exit 1"));
        try {
            User(QStringLiteral("alice")).logged();
            QFAIL("a failed 'users' was taken as an answer");
        } catch (const UserException &e) {
            QCOMPARE(e.fullDetails(), QStringLiteral("alice: Process 'users' complited with exit code 1. broken\n"));
        }
        QFile::remove(m_tools.filePath(QStringLiteral("users")));
    }
};

QTEST_GUILESS_MAIN(UserTest)

#include "usertest.moc"

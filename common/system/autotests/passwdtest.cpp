/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "system/passwd.h"
#include "failures/readfileexception.h"
#include "system/systemusers.h"
#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class PasswdTest : public QObject
{
    Q_OBJECT

private:
    const QString m_passwdFile = QString::fromUtf8(SystemPaths::passwdFile);
    // Other tests share the scratch root; whatever file was there is put back.
    QByteArray m_savedPasswd;
    bool m_hadPasswd = false;
    bool m_scratchFile = false;

    bool installPasswd(const QString &source)
    {
        QFile::remove(m_passwdFile);
        return QFile::copy(source, m_passwdFile);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Never read or replace the machine's own password file. QtTest still
        // runs cleanupTestCase() after a failed initTestCase(), so the guard
        // is a flag both of them honour, not only a failed check.
        if (QFileInfo(m_passwdFile).canonicalFilePath() == QFileInfo(QStringLiteral("/etc/passwd")).canonicalFilePath()
            || QDir::cleanPath(m_passwdFile) == QStringLiteral("/etc/passwd")) {
            QSKIP("this build reads the machine's own password file; configure the tests with -DORLA_PASSWD_FILE=<scratch file>");
        }
        m_scratchFile = true;
        QVERIFY(QDir().mkpath(QFileInfo(m_passwdFile).path()));
        QFile saved(m_passwdFile);
        if (saved.open(QIODevice::ReadOnly)) {
            m_hadPasswd = true;
            m_savedPasswd = saved.readAll();
        }
    }

    void cleanupTestCase()
    {
        if (!m_scratchFile) {
            return;
        }
        QFile::remove(m_passwdFile);
        if (m_hadPasswd) {
            QFile restored(m_passwdFile);
            QVERIFY(restored.open(QIODevice::WriteOnly));
            QCOMPARE(restored.write(m_savedPasswd), qint64(m_savedPasswd.size()));
        }
    }

    void entriesInFileOrder()
    {
        QVERIFY(installPasswd(QFINDTESTDATA("data/passwd")));
        const QList<PasswdEntry> entries = Passwd::entries();

        QStringList names;
        for (const PasswdEntry &entry : entries) {
            names << entry.name;
        }
        // The line that is no entry is skipped, and reading goes on after it.
        QCOMPARE(names,
                 QStringList({QStringLiteral("root"),
                              QStringLiteral("daemon"),
                              QStringLiteral("lastsystem"),
                              QStringLiteral("alice"),
                              QStringLiteral("jörg"),
                              QStringLiteral("nobody"),
                              QStringLiteral("maxuser"),
                              QStringLiteral("kiosk")}));

        const PasswdEntry &jorg = entries.at(4);
        QCOMPARE(jorg.password, QStringLiteral("x"));
        QCOMPARE(jorg.uid, 1001);
        QCOMPARE(jorg.gid, 1001);
        QCOMPARE(jorg.gecos, QStringLiteral("Jörg Müller,Raum 3,,"));
        QCOMPARE(jorg.home, QStringLiteral("/home/jörg"));
        QCOMPARE(jorg.shell, QStringLiteral("/bin/bash"));

        const PasswdEntry &kiosk = entries.at(7);
        QCOMPARE(kiosk.password, QStringLiteral("*"));
        QCOMPARE(static_cast<uint>(kiosk.uid), 4294967294U);
        QCOMPARE(kiosk.shell, QString());
    }

    void humanUsers()
    {
        QVERIFY(installPasswd(QFINDTESTDATA("data/passwd")));
        const QSet<QString> expected{QStringLiteral("alice"), QStringLiteral("jörg"), QStringLiteral("maxuser"), QStringLiteral("kiosk")};
        QCOMPARE(Utils::users(), expected);
    }

    void emptyOrMissingFile()
    {
        QFile::remove(m_passwdFile);
        QFile file(m_passwdFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(Passwd::entries().isEmpty());
        QVERIFY(Utils::users().isEmpty());

        QFile::remove(m_passwdFile);
        try {
            Utils::users();
            QFAIL("a missing password file read as an empty one");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), m_passwdFile);
            QCOMPARE(e.details(), QStringLiteral("can not open file stream"));
        }
    }
};

QTEST_GUILESS_MAIN(PasswdTest)

#include "passwdtest.moc"

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The journal's way back after a crash, at the moments a killed helper
// cannot be made to stop at on purpose: a save already marked done, a
// journal that names something outside the kiosk directories, and a step
// that fails once others have taken effect. Each on a kiosk of its own.

#include "store/kiosktransaction.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "store/fileutils.h"
#include "systempaths.h"

#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <unistd.h>

namespace
{
const QByteArray journal = "touched system office .kiosk-old-1\ntouched system web -\nprepared\n";
}

class KioskTransactionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // The store works only in directories that root alone may change.
        if (::geteuid() != 0) {
            QSKIP("the kiosk directories must be root's: run as root");
        }
        m_root.emplace();
        QVERIFY(m_root->isValid());
        m_rootPath = m_root->path();
    }

    void cleanup()
    {
        m_root.reset();
    }

    void unfinishedSaveIsPutBackFinishedOneKept()
    {
        appliedSave();
        writeJournal(journal);
        KioskTransaction::recover(m_rootPath);
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("office"))), QByteArray("office old\n"));
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("web"))), QByteArray("<missing>"));
        QVERIFY(!KioskTransaction::hasUnfinishedSave(m_rootPath));
        KioskTransaction::removeLeftovers({}, m_rootPath);
        QCOMPARE(systemProfiles(), QStringList{QStringLiteral("office")});

        // Marked done, the same save is kept.
        appliedSave();
        writeJournal(journal + "committed\n");
        KioskTransaction::recover(m_rootPath);
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("office"))), QByteArray("office new\n"));
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("web"))), QByteArray("web\n"));
        QVERIFY(!KioskTransaction::hasUnfinishedSave(m_rootPath));
    }

    // A step that fails once others have taken effect: the tree is the old
    // one again at once, without waiting for the next start.
    void failedStepPutsBackTheStepsBefore()
    {
        TestFiles::write(systemProfile(QStringLiteral("office")), "office\n");
        TestFiles::write(systemProfile(QStringLiteral("web")), "web\n");
        const QMap<QString, QByteArray> before = tree();
        KioskTransaction transaction(m_rootPath);
        transaction.updateSystemProfile(QStringLiteral("office"), QStringLiteral("office new\n"));
        transaction.renameSystemProfile(QStringLiteral("web"), QStringLiteral("www"));
        // Gone between the check and the rename: only the rename itself can fail.
        const auto takeAwayWeb = [this](const QList<KioskTransaction::Earlier> &) {
            QVERIFY(QFile::remove(systemProfile(QStringLiteral("web"))));
        };
        QVERIFY_EXCEPTION_THROWN(transaction.commit({}, takeAwayWeb), RenameFileException);
        QCOMPARE(tree(), before);
        QVERIFY(!KioskTransaction::hasUnfinishedSave(m_rootPath));
        QCOMPARE(systemProfiles(), (QStringList{QStringLiteral("office"), QStringLiteral("web")}));
    }

    // A journal nobody can read: the save does nothing and says why.
    void unreadableJournalCallsTheSaveOff()
    {
        TestFiles::write(systemProfile(QStringLiteral("office")), "office\n");
        writeJournal("touched system ..%2Fx -\n");
        KioskTransaction transaction(m_rootPath);
        transaction.updateSystemProfile(QStringLiteral("office"), QStringLiteral("office new\n"));
        QVERIFY_EXCEPTION_THROWN(transaction.commit(), KioskTransaction::UnfinishedSave);
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("office"))), QByteArray("office\n"));
        QCOMPARE(systemProfiles(), QStringList{QStringLiteral("office")});
    }

    void journalReachesNothingOutsideTheTree()
    {
        appliedSave();
        TestFiles::write(m_rootPath + QStringLiteral("/etc/shadow"), "secret\n");
        writeJournal("touched system ..%2F..%2Fshadow -\nprepared\n");
        QVERIFY_EXCEPTION_THROWN(KioskTransaction::recover(m_rootPath), ReadFileException);
        QCOMPARE(TestFiles::read(m_rootPath + QStringLiteral("/etc/shadow")), QByteArray("secret\n"));
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("office"))), QByteArray("office new\n"));
    }

private:
    QString systemProfile(const QString &name) const
    {
        return Utils::pathBelowRoot(m_rootPath, SystemPaths::systemProfilesDir) + QLatin1Char('/') + name;
    }

    QStringList systemProfiles() const
    {
        return QDir(Utils::pathBelowRoot(m_rootPath, SystemPaths::systemProfilesDir)).entryList(QDir::Files | QDir::Hidden);
    }

    void writeJournal(const QByteArray &text) const
    {
        TestFiles::write(Utils::pathBelowRoot(m_rootPath, SystemPaths::transactionJournalDir) + QStringLiteral("/journal"), text);
    }

    // What a save of "office" (replaced) and "web" (new) leaves once applied:
    // the new texts in place, the old one under its second name.
    void appliedSave() const
    {
        TestFiles::write(systemProfile(QStringLiteral("office")), "office new\n");
        TestFiles::write(systemProfile(QStringLiteral(".kiosk-old-1")), "office old\n");
        TestFiles::write(systemProfile(QStringLiteral("web")), "web\n");
    }

    // Every file below the root by path, the helper's journal and earlier
    // configurations aside.
    QMap<QString, QByteArray> tree() const
    {
        QMap<QString, QByteArray> files;
        const QString state = Utils::pathBelowRoot(m_rootPath, SystemPaths::transactionJournalDir);
        QDirIterator it(m_rootPath, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.startsWith(state) && !path.startsWith(Utils::pathBelowRoot(m_rootPath, SystemPaths::snapshotsDir))) {
                files.insert(path, TestFiles::read(path));
            }
        }
        return files;
    }

    std::optional<QTemporaryDir> m_root;
    QString m_rootPath;
};

QTEST_GUILESS_MAIN(KioskTransactionTest)

#include "kiosktransactiontest.moc"

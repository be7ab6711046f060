/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The journal's way back after a crash, at the moments a killed helper
// cannot be made to stop at on purpose: a save already marked done, and a
// journal that names something outside the kiosk directories.

#include "store/kiosktransaction.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "systempaths.h"

#include "kiosktree.h"
#include "scratchroot.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace
{
void writeJournal(const QByteArray &text)
{
    KioskTree::write(QString::fromUtf8(SystemPaths::transactionJournalDir) + QStringLiteral("/journal"), text);
}

// What a save of "office" (replaced) and "web" (new) leaves once applied:
// the new texts in place, the old one under its second name.
void appliedSave()
{
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("office")), "office new\n");
    KioskTree::write(KioskTree::systemProfile(QStringLiteral(".kiosk-old-1")), "office old\n");
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("web")), "web\n");
}

const QByteArray journal = "touched system office .kiosk-old-1\ntouched system web -\nprepared\n";
}

class KioskTransactionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (!ScratchRoot::isScratchBuild()) {
            QSKIP("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
        }
        ScratchRoot::reset();
    }

    // A journal left behind would stop every later test's save.
    void cleanup()
    {
        ScratchRoot::reset();
    }

    void unfinishedSaveIsPutBack()
    {
        appliedSave();
        writeJournal(journal);
        KioskTransaction::recover();
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("office"))), QByteArray("office old\n"));
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("web"))), QByteArray("<missing>"));
        QVERIFY(!KioskTransaction::hasUnfinishedSave());
        KioskTransaction::removeLeftovers();
        QCOMPARE(QDir(QString::fromUtf8(SystemPaths::systemProfilesDir)).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("office")});
    }

    void finishedSaveIsKept()
    {
        appliedSave();
        writeJournal(journal + "committed\n");
        KioskTransaction::recover();
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("office"))), QByteArray("office new\n"));
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("web"))), QByteArray("web\n"));
        QVERIFY(!KioskTransaction::hasUnfinishedSave());
    }

    // A step that fails once others have taken effect: the tree is the old
    // one again at once, without waiting for the next start.
    void failedStepPutsBackTheStepsBefore()
    {
        KioskTree::writeProfile(QStringLiteral("office"), QStringLiteral("office\n"));
        KioskTree::writeProfile(QStringLiteral("web"), QStringLiteral("web\n"));
        const KioskTree::Snapshot before = KioskTree::snapshot();
        KioskTransaction transaction;
        transaction.updateSystemProfile(QStringLiteral("office"), QStringLiteral("office new\n"));
        transaction.renameSystemProfile(QStringLiteral("web"), QStringLiteral("www"));
        // Gone between the check and the rename: only the rename itself can fail.
        const auto takeAwayWeb = [](const QList<KioskTransaction::Earlier> &) {
            QVERIFY(QFile::remove(KioskTree::systemProfile(QStringLiteral("web"))));
        };
        QVERIFY_EXCEPTION_THROWN(transaction.commit({}, takeAwayWeb), RenameFileException);
        QCOMPARE(KioskTree::snapshot(), before);
        QVERIFY(!KioskTransaction::hasUnfinishedSave());
        QCOMPARE(QDir(KioskTree::systemProfilesDir()).entryList(QDir::Files | QDir::Hidden), (QStringList{QStringLiteral("office"), QStringLiteral("web")}));
    }

    // A journal nobody can read: the save does nothing and says why.
    void unreadableJournalCallsTheSaveOff()
    {
        KioskTree::writeProfile(QStringLiteral("office"), QStringLiteral("office\n"));
        writeJournal("touched system ..%2Fx -\n");
        KioskTransaction transaction;
        transaction.updateSystemProfile(QStringLiteral("office"), QStringLiteral("office new\n"));
        QVERIFY_EXCEPTION_THROWN(transaction.commit(), KioskTransaction::UnfinishedSave);
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("office"))), QByteArray("office\n"));
        QCOMPARE(QDir(KioskTree::systemProfilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("office")});
    }

    void journalReachesNothingOutsideTheTree()
    {
        appliedSave();
        KioskTree::write(QString::fromUtf8(SystemPaths::systemRoot) + QStringLiteral("/etc/shadow"), "secret\n");
        writeJournal("touched system ..%2F..%2Fshadow -\nprepared\n");
        QVERIFY_EXCEPTION_THROWN(KioskTransaction::recover(), ReadFileException);
        QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::systemRoot) + QStringLiteral("/etc/shadow")), QByteArray("secret\n"));
        QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("office"))), QByteArray("office new\n"));
    }
};

QTEST_GUILESS_MAIN(KioskTransactionTest)

#include "kiosktransactiontest.moc"

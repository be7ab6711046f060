/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// What the bus test's flood cannot reach in a test's time: the cap of a
// whole trace-mode period, and what a period's start and an emptied log undo.

#include "reportlimit.h"

#include <QTest>

class ReportLimitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void periodCapAndWhatUndoesIt()
    {
        ReportLimit limit({1000, 5, 8});
        qint64 now = 0;
        int written = 0;
        // A second at a time: the rate never holds anything back, the total does.
        for (int i = 0; i < 12; ++i, now += 1000) {
            written += limit.admit(1000, "r" + QByteArray::number(i), now) ? 1 : 0;
        }
        QCOMPARE(written, 8);
        QCOMPARE(limit.held(1000), 4);
        QVERIFY(limit.saturated(1000, now));
        // Another uid has its own allowance.
        QVERIFY(!limit.saturated(1001, now));
        QVERIFY(limit.admit(1001, "r0", now));
        // Each uid's count is said once, then only when it changes.
        QCOMPARE(limit.counts(now, true), QList<QByteArray>{"tavrix: trace uid=1000 dropped 4"});
        QVERIFY(!limit.countPending());

        // The log emptied: what it held goes in once more, within the period's cap.
        ReportLimit cleared({1000, 5, 100});
        QVERIFY(cleared.admit(7, "same", 0));
        QVERIFY(!cleared.admit(7, "same", 1000));
        cleared.logCleared();
        QVERIFY(cleared.admit(7, "same", 2000));
        QCOMPARE(cleared.held(7), 0);

        limit.startPeriod();
        QVERIFY(!limit.saturated(1000, now));
        QCOMPARE(limit.held(1000), 0);
    }

    void heldBackThenWrittenNoLongerCounts()
    {
        ReportLimit limit({1, 2, 100});
        QVERIFY(limit.admit(5, "a", 0));
        QVERIFY(limit.admit(5, "b", 0));
        QVERIFY(!limit.admit(5, "c", 0));
        QVERIFY(!limit.admit(5, "c", 10));
        QCOMPARE(limit.held(5), 1);
        QVERIFY(limit.admit(5, "c", 1000));
        QCOMPARE(limit.held(5), 0);
    }
};

QTEST_GUILESS_MAIN(ReportLimitTest)

#include "reportlimittest.moc"

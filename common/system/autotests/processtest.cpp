/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "system/process.h"
#include "failures/processexception.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/types.h>

namespace
{
// True once the process id names no process at all: not running and not left as a zombie.
bool isGone(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}
}

class ProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void synchronousExitCodes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("check");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("throws");

        QTest::newRow("0, checked") << QStringLiteral("echo out; exit 0") << true << 0 << false;
        QTest::newRow("2, checked against 0") << QStringLiteral("echo out; echo why >&2; exit 2") << true << 0 << true;
        QTest::newRow("2, unchecked") << QStringLiteral("echo out; echo why >&2; exit 2") << false << 0 << false;
        QTest::newRow("3, expected 3") << QStringLiteral("echo out; exit 3") << true << 3 << false;
        QTest::newRow("0, expected 3") << QStringLiteral("echo out; echo why >&2; exit 0") << true << 3 << true;
    }

    void synchronousExitCodes()
    {
        QFETCH(QString, script);
        QFETCH(bool, check);
        QFETCH(int, expected);
        QFETCH(bool, throws);

        Process process;
        try {
            process.run(QStringLiteral("sh"), {QStringLiteral("-c"), script}, check, expected);
            QVERIFY(!throws);
            QCOMPARE(process.output(), QStringLiteral("out\n"));
        } catch (const ProcessException &e) {
            QVERIFY(throws);
            QCOMPARE(e.command(), QStringLiteral("sh -c ") + script);
            QCOMPARE(e.exitStatus(), QProcess::NormalExit);
            QCOMPARE(e.exitCode(), process.process()->exitCode());
            QCOMPARE(e.details(), QStringLiteral("why\n"));
        }
        QCOMPARE(process.process()->state(), QProcess::NotRunning);
    }

    void outputOfRuns()
    {
        // One runner again and again: each run's output is its own.
        Process process;
        process.run(QStringLiteral("printf \"<%s>\" \"a b\" c"));
        QCOMPARE(process.output(), QStringLiteral("<a b><c>"));
        // Arguments given apart are not split again.
        process.run(QStringLiteral("printf"), {QStringLiteral("<%s>"), QStringLiteral("a b; echo no"), QStringLiteral("'c'")});
        QCOMPARE(process.output(), QStringLiteral("<a b; echo no><'c'>"));
        process.run(QStringLiteral("printf"), {QStringLiteral("Jörg Ünal ✓")});
        QCOMPARE(process.output(), QStringLiteral("Jörg Ünal ✓"));
        QCOMPARE(process.output(), QStringLiteral("Jörg Ünal ✓"));

        // Output, errors and a failure's details all end at a NUL.
        process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf 'abc\\000def'; printf 'err\\000more' >&2")});
        QCOMPARE(process.output(), QStringLiteral("abc"));
        QCOMPARE(process.errorsOutput(), QStringLiteral("err"));
        try {
            process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf 'bad\\000tail' >&2; exit 1")});
            QFAIL("exit code 1 accepted");
        } catch (const ProcessException &e) {
            QCOMPARE(e.details(), QStringLiteral("bad"));
        }
    }

    void pidChangedOncePerRun()
    {
        Process process;
        QSignalSpy spy(&process, &Process::pidChanged);
        process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
        QCOMPARE(spy.count(), 1);
        const qint64 pid = spy.at(0).at(0).value<Q_PID>();
        QVERIFY(pid > 0);
        QCOMPARE(process.output().trimmed().toLongLong(), pid);

        process.run(QStringLiteral("true"), QStringList());
        QCOMPARE(spy.count(), 2);
    }

    void startFailureThrows_data()
    {
        QTest::addColumn<bool>("async");
        QTest::newRow("synchronous") << false;
        QTest::newRow("asynchronous") << true;
    }

    void startFailureThrows()
    {
        QFETCH(bool, async);
        Process process;
        process.setAsyncFlag(async);
        QSignalSpy spy(&process, &Process::pidChanged);
        try {
            process.run(QStringLiteral("/nonexistent/orla-no-such-tool"), {QStringLiteral("x")});
            QFAIL("a program that cannot start was reported as running");
        } catch (const ProcessException &e) {
            QCOMPARE(e.command(), QStringLiteral("/nonexistent/orla-no-such-tool x"));
            QVERIFY(!e.details().isEmpty());
        }
        QCOMPARE(spy.count(), 1);
    }

    void crashThrows()
    {
        Process process;
        try {
            process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -SEGV $$")}, false);
            QFAIL("a crash was accepted");
        } catch (const ProcessException &e) {
            QCOMPARE(e.exitStatus(), QProcess::CrashExit);
            QVERIFY(e.fullDetails().contains(QStringLiteral("not complited")));
        }
    }

    void timeoutThrowsAndDestructionEndsTheChild()
    {
        auto process = std::make_unique<Process>();
        process->setWaitForFinished(200);
        QElapsedTimer timer;
        timer.start();
        try {
            process->run(QStringLiteral("sleep"), {QStringLiteral("30")});
            QFAIL("a run that outlived its wait was accepted");
        } catch (const ProcessException &e) {
            QCOMPARE(e.command(), QStringLiteral("sleep 30"));
        }
        // The bounds here are the behaviour: well inside the child's own 30 s
        // (or 300 s), generous for a slow machine.
        QVERIFY(timer.elapsed() < 20000);
        // The runner leaves the child alone; its owner ends it.
        QCOMPARE(process->process()->state(), QProcess::Running);
        const qint64 pid = process->process()->processId();
        QVERIFY(!isGone(pid));

        process.reset();
        QVERIFY(isGone(pid));
        QVERIFY(timer.elapsed() < 25000);
    }

    void destructionEndsAChildThatIgnoresTerm()
    {
        auto process = std::make_unique<Process>();
        process->setAsyncFlag(true);
        process->setWaitForFinished(200);
        process->run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("trap '' TERM; echo ready; while :; do sleep 1; done")});
        QVERIFY(process->process()->waitForReadyRead(5000));
        const qint64 pid = process->process()->processId();

        process->onStop();
        QCOMPARE(process->process()->state(), QProcess::Running);

        QElapsedTimer timer;
        timer.start();
        process.reset();
        QVERIFY(isGone(pid));
        // It never ends by itself: a destruction that waited for it would hang.
        QVERIFY(timer.elapsed() < 20000);
    }

    void asynchronousRunReturnsAtOnceAndOutputStops()
    {
        Process process;
        process.setAsyncFlag(true);
        QElapsedTimer timer;
        timer.start();
        process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo first; exec sleep 300")});
        QVERIFY(timer.elapsed() < 60000);
        QCOMPARE(process.process()->state(), QProcess::Running);
        const qint64 pid = process.process()->processId();

        QTRY_VERIFY(process.process()->bytesAvailable() > 0);
        QCOMPARE(process.errorsOutput(), QString());
        QCOMPARE(process.process()->state(), QProcess::Running);

        QCOMPARE(process.output(), QStringLiteral("first\n"));
        QCOMPARE(process.process()->state(), QProcess::NotRunning);
        QVERIFY(isGone(pid));
        QVERIFY(timer.elapsed() < 120000);

        // Nor is its exit code checked.
        process.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo done; exit 7")});
        QVERIFY(process.process()->waitForFinished(5000));
        QCOMPARE(process.output(), QStringLiteral("done\n"));
        QCOMPARE(process.process()->exitCode(), 7);
    }

    void stopSlotEndsAnAsynchronousRun()
    {
        Process process;
        process.setAsyncFlag(true);
        QTimer trigger;
        trigger.setSingleShot(true);
        connect(&trigger, &QTimer::timeout, &process, &Process::onStop);
        process.run(QStringLiteral("sleep"), {QStringLiteral("300")});
        trigger.start(50);
        QTRY_COMPARE(process.process()->state(), QProcess::NotRunning);
        QCOMPARE(process.process()->exitStatus(), QProcess::CrashExit);
    }
};

QTEST_GUILESS_MAIN(ProcessTest)

#include "processtest.moc"

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/kauthjob.h"
#include "failures/kauthexception.h"
#include "fakekauthbus.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/updateactionsmap.h"

#include <KAuth/ActionReply>
#include <KAuth/ExecuteJob>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>

class KAuthJobTest : public QObject
{
    Q_OBJECT

private:
    FakeKAuthBus m_bus;
    FakeKAuthHelper &m_helper = m_bus.helper();

    KAuth::ExecuteJob *updateJob(const QVariantMap &arguments, int timeout = 60000)
    {
        return Utils::helperAction(HelperConstants::updateActionId, HelperActionsMap(arguments), nullptr, timeout).execute();
    }

    // An unexpected failure fails the test with the helper's words, which
    // QtTest alone would hide behind "Caught unhandled exception".
    static bool executes(KAuth::ExecuteJob *job)
    {
        try {
            return Utils::executeKAuthJob(job);
        } catch (const KAuthException &e) {
            qWarning("the action failed: %s", qPrintable(e.fullDetails()));
            throw;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_bus.start(&why)) {
            QSKIP(qPrintable(why));
        }
    }

    void init()
    {
        m_helper.reset();
    }

    void successCarriesArgumentsAndReply()
    {
        UpdateActionsMap arguments(QStringLiteral("ru_RU.UTF-8"));
        arguments.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
        arguments.setProfilesToUpdate({{QStringLiteral("firefox"), QStringLiteral("/usr/lib/firefox/** rw,\n")}});
        arguments.setProfilesToRemove({QStringLiteral("old"), QStringLiteral("older")});

        KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
        reply.addData(HelperConstants::warningsDataKey, QStringList{QStringLiteral("w1"), QStringLiteral("w2")});
        reply.addData(HelperConstants::traceTextKey, QStringLiteral("/etc/hosts r,\n"));
        reply.addData(HelperConstants::globalRecordDataKey, QVariantMap{{QStringLiteral("alice"), QStringLiteral("/a r,\n")}});
        reply.addData(HelperConstants::globalModeEnableKey, false);
        m_helper.reply = reply;
        m_helper.progress = {{HelperConstants::traceApplicationPidKey, 4242}};

        // Kept past its end for its data.
        const std::unique_ptr<KAuth::ExecuteJob> job(updateJob(arguments));
        job->setAutoDelete(false);
        QSignalSpy progress(job.get(), &KAuth::ExecuteJob::newData);
        QVERIFY(executes(job.get()));

        // What the helper rebuilds from the wire is exactly what was sent.
        QCOMPARE(m_helper.receivedAction, QString(HelperConstants::updateActionId));
        QCOMPARE(m_helper.receivedArguments, QVariantMap(arguments));

        // Reply and progress data keep their types on the way back.
        const QVariantMap data = job->data();
        QCOMPARE(data.value(HelperConstants::warningsDataKey).userType(), int(QMetaType::QStringList));
        QCOMPARE(data.value(HelperConstants::warningsDataKey).toStringList(), QStringList({QStringLiteral("w1"), QStringLiteral("w2")}));
        QCOMPARE(data.value(HelperConstants::traceTextKey).toString(), QStringLiteral("/etc/hosts r,\n"));
        QCOMPARE(data.value(HelperConstants::globalRecordDataKey).userType(), int(QMetaType::QVariantMap));
        QCOMPARE(data.value(HelperConstants::globalRecordDataKey).toMap().value(QStringLiteral("alice")).toString(), QStringLiteral("/a r,\n"));
        QCOMPARE(data.value(HelperConstants::globalModeEnableKey).userType(), int(QMetaType::Bool));
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.at(0).at(0).toMap().value(HelperConstants::traceApplicationPidKey).toInt(), 4242);
    }

    void refusedAuthorisationIsFalse()
    {
        m_helper.reply = KAuth::ActionReply::AuthorizationDeniedReply();
        QVERIFY(!executes(updateJob(UpdateActionsMap(QString()))));
        // No job at all is a failure, not a refusal.
        QVERIFY_EXCEPTION_THROWN(Utils::executeKAuthJob(nullptr), KAuthException);
    }

    void failures_data()
    {
        QTest::addColumn<KAuth::ActionReply>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        KAuth::ActionReply helperError = KAuth::ActionReply::HelperErrorReply();
        helperError.setErrorDescription(QStringLiteral("Can not write file '/etc/tavrix/kiosk2/alice': No space left on device"));
        // The helper's own codes lie outside KAuth's enumeration and arrive as a backend error.
        QTest::newRow("helper error") << helperError << int(KAuth::ActionReply::BackendError) << helperError.errorDescription();

        KAuth::ActionReply ownCode = KAuth::ActionReply::HelperErrorReply(42);
        ownCode.setErrorDescription(QStringLiteral("own code"));
        QTest::newRow("helper error with its own code") << ownCode << int(KAuth::ActionReply::BackendError) << QStringLiteral("own code");

        KAuth::ActionReply busy = KAuth::ActionReply::HelperBusyReply();
        busy.setErrorDescription(QStringLiteral("busy"));
        QTest::newRow("helper busy") << busy << int(KAuth::ActionReply::HelperBusyError) << QStringLiteral("busy");

        QTest::newRow("cancelled is not a refusal") << KAuth::ActionReply::UserCancelledReply() << int(KAuth::ActionReply::UserCancelledError) << QString();
    }

    void failures()
    {
        QFETCH(KAuth::ActionReply, reply);
        QFETCH(int, code);
        QFETCH(QString, text);

        m_helper.reply = reply;
        try {
            Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString())));
            QFAIL("a failed action was reported as done");
        } catch (const KAuthException &e) {
            QCOMPARE(int(e.id()), code);
            QCOMPARE(e.details(), text);
            QCOMPARE(e.fullDetails(), text);
        }
    }

    void unknownHelperIsAnError()
    {
        KAuth::Action action = Utils::helperAction(QStringLiteral("org.orla.kiosk.nosuchhelper.update"),
                                                   UpdateActionsMap(QString()),
                                                   nullptr,
                                                   10000,
                                                   QStringLiteral("org.orla.kiosk.nosuchhelper"));
        try {
            Utils::executeKAuthJob(action.execute());
            QFAIL("an action of a helper that does not exist succeeded");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::DBusError);
            QVERIFY(!e.details().isEmpty());
            // The bus says so at once; only a wait that hung ends at the watchdog.
            QVERIFY2(e.fullDetails() != QStringLiteral("The privileged helper did not answer."), "the wait ran out instead");
        }
    }

    void silentHelperEndsAtTheWatchdog()
    {
        m_helper.mode = FakeKAuthHelper::Silent;
        QElapsedTimer timer;
        timer.start();
        try {
            Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString())), 300);
            QFAIL("a helper that never answered was taken for a success");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::DBusError);
            QCOMPARE(e.fullDetails(), QStringLiteral("The privileged helper did not answer."));
        }
        // The bound is the behaviour: the 300 ms watchdog, not the action's
        // minute, ended the wait. Generous for a slow machine.
        QVERIFY(timer.elapsed() < 30000);
        // Giving up also tells the helper to stop.
        QTRY_COMPARE(m_helper.stopRequests, 1);
    }

    void waitWhileAlive_data()
    {
        QTest::addColumn<int>("firstWordMs");
        QTest::addColumn<bool>("replies");
        QTest::addColumn<bool>("answered");
        // A second of work reported every 100 ms outlasts a 300 ms silence limit.
        QTest::newRow("helper at work") << 100 << true << true;
        // The password prompt says nothing for longer than the limit; the
        // silence only counts once the helper has said that the action runs.
        QTest::newRow("slow authorisation") << 1500 << true << true;
        QTest::newRow("stuck helper") << 100 << false << false;
    }

    void waitWhileAlive()
    {
        QFETCH(int, firstWordMs);
        QFETCH(bool, replies);
        QFETCH(bool, answered);
        m_helper.mode = FakeKAuthHelper::Trickle;
        m_helper.trickleFirstStepMs = firstWordMs;
        m_helper.trickleReplies = replies;
        QElapsedTimer timer;
        timer.start();
        try {
            // The action's own time-out is the program's ten minutes; the
            // silence limit alone ends the wait on a stuck helper.
            QVERIFY(Utils::executeKAuthJobWhileAlive(updateJob(UpdateActionsMap(QString()), HelperConstants::actionTimeoutMs), 300));
            QVERIFY(answered);
        } catch (const KAuthException &e) {
            QVERIFY2(!answered, qPrintable(e.fullDetails()));
            QCOMPARE(e.fullDetails(), QStringLiteral("The privileged helper did not answer."));
            // The silence limit ended it, not the ten minutes (see silentHelperEndsAtTheWatchdog).
            QVERIFY(timer.elapsed() < 60000);
        }
    }

    void watchdogBound_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("bound");
        QTest::newRow("KAuth default") << -1 << 55000;
        QTest::newRow("zero") << 0 << 55000;
        QTest::newRow("ten minutes") << 600000 << 630000;
        QTest::newRow("a day") << 86400000 << 86430000;
        QTest::newRow("no overflow") << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
    }

    void watchdogBound()
    {
        QFETCH(int, timeout);
        QFETCH(int, bound);
        QCOMPARE(Utils::kauthJobWatchdog(timeout), bound);
    }

    void oversizedArgumentsAreRefusedBeforeSending()
    {
        // 17 million characters are 34 MB as UTF-16: more than the bus carries.
        QMap<QString, QString> texts;
        texts.insert(QStringLiteral("big"), QString(17 * 1000 * 1000, QLatin1Char('x')));
        UpdateActionsMap map{QString()};
        map.setProfilesToUpdate(texts);
        try {
            Utils::executeKAuthJob(updateJob(map));
            QFAIL("an update larger than the bus carries was sent");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::BackendError);
            QVERIFY2(e.fullDetails().contains(QLatin1String("too large")), qPrintable(e.fullDetails()));
        }
        QVERIFY(m_helper.receivedAction.isEmpty());
        // The connection is still usable for the next action.
        QVERIFY(executes(updateJob(UpdateActionsMap(QString()))));
    }

    void startedJobRunsOnAfterItsReport()
    {
        m_helper.mode = FakeKAuthHelper::Hold;
        m_helper.progress = {{HelperConstants::globalModeEnableKey, true}};
        KAuth::ExecuteJob *job = updateJob(UpdateActionsMap(QString()));
        QSignalSpy finished(job, &KJob::finished);
        QVERIFY(Utils::startKAuthJob(job, HelperConstants::globalModeEnableKey));
        QVERIFY(m_helper.isHolding());
        QCOMPARE(finished.count(), 0);

        // The job stays KAuth's until the helper answers; then it goes.
        QSignalSpy destroyed(job, &QObject::destroyed);
        job->kill(KJob::EmitResult);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!m_helper.isHolding());
        QTRY_COMPARE(destroyed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(KAuthJobTest)

#include "kauthjobtest.moc"

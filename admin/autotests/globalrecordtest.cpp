/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The global recording as the main window drives it, against a stand-in
// helper that holds its action open the way the real one does: what the
// window asks, what reaches the helper, and what the working copy holds after.

#include "fakehelpertestcase.h"

#include "profile/profileparser.h"
#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperconstants.h"
#include "systempaths.h"

#include <QFile>

namespace
{
QSet<ObjectRule> rulesOf(const QString &text)
{
    return ProfileParser::parseText(text).data().objectRules();
}
}

class GlobalRecordTest : public FakeHelperTestCase
{
    Q_OBJECT

    // The helper holds the recording open, then gives @p reply; its view of
    // the switches is trace mode while it records.
    void recordWith(const KAuth::ActionReply &reply)
    {
        m_helper.mode = FakeKAuthHelper::Hold;
        m_helper.progress = {{HelperConstants::globalModeEnableKey, true}};
        m_helper.reply = reply;
        m_helper.onAction = [this]() {
            if (m_helper.receivedAction == HelperConstants::globalTraceActionId) {
                KioskTree::setSwitches(false, false, true);
            }
        };
        m_helper.onRelease = [this]() {
            KioskTree::setSwitches(false, false, false);
        };
    }

    static KAuth::ActionReply recorded(const QVariantMap &texts, const QStringList &warnings = {})
    {
        KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
        reply.addData(HelperConstants::globalModeEnableKey, false);
        reply.addData(HelperConstants::warningsDataKey, warnings);
        reply.addData(HelperConstants::globalRecordDataKey, texts);
        return reply;
    }

    // A recording started from the window whose stop the helper fails, as the
    // real one does, staying in trace mode; the failure is answered.
    void stopThatFails()
    {
        recordWith(failed(QStringLiteral("Can not collect the accesses of 'daemon'")));
        m_helper.onRelease = nullptr;
        open();
        m_answerer->answer(QMessageBox::Yes);
        m_answerer->answer(QMessageBox::Save);
        m_answerer->answer(QMessageBox::Ok);
    }

    // Completed into profiles, with a warning, when asked with @p asked.
    void expectCompletionOffered(const QString &asked)
    {
        QCOMPARE(m_answerer->titles(), completedTitles(asked));
        QCOMPARE(m_answerer->boxes().at(1).buttonTexts,
                 (QStringList{QStringLiteral("Complete and create profile"), QStringLiteral("Complete and ignore collected data")}));
    }

    static KAuth::ActionReply failed(const QString &sentence)
    {
        KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
        reply.setErrorDescription(sentence);
        return reply;
    }

private Q_SLOTS:
    // First: nothing in this process has started a job of the action yet, as
    // in a program opened while another one's recording runs.
    void completingARecordingAnotherProgramStarted()
    {
        recordWith(recorded({{QStringLiteral("daemon"), QStringLiteral("+file r u: /etc/hostname\n")}}));
        m_helper.holdWithoutCaller(HelperConstants::globalTraceActionId);
        KioskTree::setSwitches(false, false, true);

        m_answerer->answer(QMessageBox::Save);
        m_answerer->answer(QMessageBox::Ok);
        WindowDriver w = start();
        expectNoStrayBoxes();

        QCOMPARE(m_answerer->titles(),
                 (QStringList{QStringLiteral("The system is in global kiosk rules record mode"), QStringLiteral("New profiles created")}));
        // The stop job went to the helper too, and so heard its reply.
        QCOMPARE(m_helper.busyAnswers, 1);
        QVERIFY(!m_helper.isHolding());
        ProfileState *profile = w.profileState(QStringLiteral("daemon_global_record_1"));
        QVERIFY(profile);
        QCOMPARE(profile->file()->data().objectRules(), rulesOf(QStringLiteral("+file r u: /etc/hostname\n")));
    }

    void recordingFromTheWindowMakesProfiles()
    {
        // Names the numbering must neither confuse nor repeat.
        for (const char *name : {"a.b_global_record_1", "axb_global_record_7", "daemon_global_record_01", "daemon_global_record_1", "a$_global_record_1"}) {
            KioskTree::writeProfile(QString::fromLatin1(name), QStringLiteral("+file r u: /a\n"));
        }
        recordWith(recorded(
            {
                // The collector's repeats, comments and stray lines stay out;
                // the profiles the recording ran with are included, where they exist.
                {QStringLiteral("daemon"),
                 QStringLiteral("+file r u: /etc/hosts\n+file w u: /etc/hosts\n# collected\n@include base\n@include base-missing\nnot a rule at all\n")},
                {QStringLiteral("a.b"), QStringLiteral("+file r u: /srv/a.b\n")},
                {QStringLiteral("a$"), QStringLiteral("+file r u: /srv/dollar\n")},
                // The collector's bytes, whatever the locale.
                {QStringLiteral("zoe"), QByteArray("+file r u: /srv/zo\xc3\xab\n")},
                {QStringLiteral("../etc"), QStringLiteral("+file r u: /x\n")},
                {QStringLiteral("bin"), QStringLiteral("only junk\n")},
            },
            {QStringLiteral("uccollect: one line skipped"), QString()}));

        WindowDriver w = open();
        recordGlobally(w, 2);
        expectCompletionOffered(QStringLiteral("The system is in global kiosk rules record mode"));
        QCOMPARE(m_answerer->boxes().at(2).text, QStringLiteral("uccollect: one line skipped"));
        QCOMPARE(m_answerer->boxes().at(3).text,
                 QStringLiteral("After global kiosk rules record created 'a$_global_record_2', 'a.b_global_record_2', "
                                "'daemon_global_record_2' and 'zoe_global_record_1' profile(s)"));
        // One start, which the stop found the helper busy with.
        QCOMPARE(m_helper.actions, 1);
        QVERIFY(GlobalTraceActionsMap(m_helper.receivedArguments).globalRecordModeEnabled());

        const ProfileState *daemon = w.profileState(QStringLiteral("daemon_global_record_2"));
        QVERIFY(daemon);
        QCOMPARE(daemon->file()->data().objectRules(), rulesOf(QStringLiteral("+file rw u: /etc/hosts\n")));
        QCOMPARE(WindowDriver::includes(daemon), QStringList{QStringLiteral("base")});
        QVERIFY(daemon->isEditable());
        QCOMPARE(w.profileState(QStringLiteral("zoe_global_record_1"))->file()->data().objectRules(), rulesOf(QStringLiteral("+file r u: /srv/zoë\n")));
        // A kiosk user keeps its profile; an account without one gets one including the recording.
        QCOMPARE(WindowDriver::includes(w.userState(QStringLiteral("daemon"))), QStringList{QStringLiteral("base")});
        QCOMPARE(WindowDriver::includes(w.userState(QStringLiteral("a.b"))), QStringList{QStringLiteral("a.b_global_record_2")});
        QVERIFY(!w.userState(QStringLiteral("../etc")));
        QVERIFY(!w.userState(QStringLiteral("bin")));

        // All of it waits to be saved; the module has left trace mode.
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.action("actionSaveChanges")->isEnabled());
        QVERIFY(!w.action("actionGlobalRecordingMode")->isChecked());
    }

    void startThatDoesNotRun_data()
    {
        QTest::addColumn<KAuth::ActionReply>("reply");
        QTest::addColumn<QStringList>("titles");
        const QString question = QStringLiteral("Enable global kiosk rules record");
        QTest::newRow("refused") << KAuth::ActionReply::AuthorizationDeniedReply() << QStringList{question};
        QTest::newRow("failed") << failed(QStringLiteral("Can not clear the kernel log"))
                                << QStringList{question, QStringLiteral("Enable global record error")};
    }

    // The helper answers at once, without a word of a recording.
    void startThatDoesNotRun()
    {
        QFETCH(KAuth::ActionReply, reply);
        QFETCH(QStringList, titles);
        m_helper.reply = reply;
        WindowDriver w = open();
        for (int i = 0; i < titles.size(); ++i) {
            m_answerer->answer(i == 0 ? QMessageBox::Yes : QMessageBox::Ok);
        }
        trigger("actionGlobalRecordingMode");
        QCOMPARE(m_answerer->titles(), titles);
        if (titles.size() > 1) {
            QCOMPARE(m_answerer->boxes().at(1).icon, QMessageBox::Critical);
            QCOMPARE(m_answerer->boxes().at(1).text, reply.errorDescription());
        }
        QVERIFY(!w.action("actionGlobalRecordingMode")->isChecked());
    }

    void failedStopIsReportedAndAskedAgain()
    {
        stopThatFails();
        // The helper's recording is over: the next stop begins one of the
        // helper's own and ends it, leaving trace mode, with nothing recorded.
        m_answerer->answer(QMessageBox::No, [this]() {
            recordWith(recorded({}));
        });
        trigger("actionGlobalRecordingMode", {QMessageBox::Save, QMessageBox::Ok});
        QCOMPARE(m_answerer->titles(),
                 (QStringList{QStringLiteral("Enable global kiosk rules record"),
                              QStringLiteral("The system is in global kiosk rules record mode"),
                              QStringLiteral("Disable global record error"),
                              QStringLiteral("Leave global kiosk rules record mode"),
                              QStringLiteral("The system is in global kiosk rules record mode"),
                              QStringLiteral("No data")}));
        QCOMPARE(m_answerer->boxes().at(2).text, QStringLiteral("Can not collect the accesses of 'daemon'"));
        QVERIFY(!m_window->systemState()->modes().complain);
        QVERIFY(!m_window->systemState()->isChanged());
    }

    void leavingTraceModeWhenNothingCanBeCompleted()
    {
        stopThatFails();
        m_answerer->answer(QMessageBox::Yes, [this]() {
            m_helper.mode = FakeKAuthHelper::Answer;
            m_helper.reply = KAuth::ActionReply::SuccessReply();
            m_helper.onAction = [this]() {
                KioskTree::setSwitches(false, false, false);
            };
        });
        trigger("actionGlobalRecordingMode");
        QCOMPARE(m_answerer->titles().last(), QStringLiteral("Leave global kiosk rules record mode"));
        QCOMPARE(m_helper.receivedAction, QString(HelperConstants::enableActionId));
        const EnableActionsMap sent(m_helper.receivedArguments);
        QCOMPARE(sent.complain(), EnableActionsMap::Disabled);
        QCOMPARE(sent.autoComplain(), EnableActionsMap::Disabled);
        QCOMPARE(sent.enforce(), EnableActionsMap::NotSet);
        QVERIFY(!m_window->systemState()->modes().complain);
    }

    void reloadFailureAfterTheStopKeepsTheRecording()
    {
        recordWith(recorded({{QStringLiteral("daemon"), QStringLiteral("+file r u: /etc/hostname\n")}}));
        // The module's switches vanish as the recording ends.
        m_helper.onRelease = []() {
            QFile::remove(QString::fromUtf8(SystemPaths::enforceParameter));
        };
        WindowDriver w = open();
        recordGlobally(w, 3);
        // Reported, with the recording kept, and then no more asking.
        QCOMPARE(m_answerer->titles().mid(2),
                 (QStringList{QStringLiteral("Data reading error"), QStringLiteral("New profiles created"), QStringLiteral("Data reading error")}));
        QVERIFY(w.profileState(QStringLiteral("daemon_global_record_1")));
        QVERIFY(w.userItem(QStringLiteral("daemon")));
        QVERIFY(m_window->systemState()->isChanged());
    }

    // Last: quitting ends every event loop, this test's own included.
    // A recording that ended by itself after its time: the next start hands
    // over its result, which is completed as any other, and nothing new runs.
    void unclaimedRecordingIsOfferedForCompletion()
    {
        m_helper.reply = recorded({{QStringLiteral("daemon"), QStringLiteral("+file r u: /etc/hostname\n")}},
                                  {QStringLiteral("The global recording was not completed within 12 hour(s) and ended by itself.")});
        WindowDriver w = open();
        recordGlobally(w, 2);
        expectCompletionOffered(QStringLiteral("Complete global kiosk rules record"));
        QCOMPARE(m_helper.actions, 1);
        const ProfileState *profile = w.profileState(QStringLiteral("daemon_global_record_1"));
        QVERIFY(profile);
        QCOMPARE(profile->file()->data().objectRules(), rulesOf(QStringLiteral("+file r u: /etc/hostname\n")));
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(!w.action("actionGlobalRecordingMode")->isChecked());
    }

    void completionTellsOfKioskModeNow_data()
    {
        QTest::addColumn<bool>("enforce");
        QTest::addColumn<bool>("autoEnforce");
        QTest::addColumn<QString>("told");
        QTest::newRow("off now, on after reboot") << false << true << QStringLiteral(" Kiosk mode is on now, as it is set to be after reboot.");
        QTest::newRow("on now, off after reboot") << true << false << QStringLiteral(" Kiosk mode is off now, as it is set to be after reboot.");
        QTest::newRow("on, on") << true << true << QString();
        QTest::newRow("off, off") << false << false << QString();
    }

    // Leaving trace mode, kiosk mode now follows the switch after reboot.
    void completionTellsOfKioskModeNow()
    {
        QFETCH(bool, enforce);
        QFETCH(bool, autoEnforce);
        QFETCH(QString, told);
        KioskTree::setSwitches(enforce, autoEnforce, false);
        recordWith(recorded({}));
        m_helper.onAction = [autoEnforce] {
            KioskTree::setSwitches(false, autoEnforce, true);
        };
        m_helper.onRelease = [autoEnforce] {
            KioskTree::setSwitches(autoEnforce, autoEnforce, false);
        };
        recordGlobally(open(), 1);
        QCOMPARE(m_answerer->titles().last(), QStringLiteral("No data"));
        QCOMPARE(m_answerer->boxes().last().text,
                 QStringLiteral("Nothing was recorded: no kiosk user was refused anything, so no profile was created.") + told);
    }

    void startWhileRecordingOffersOnlyTheCompletion()
    {
        // Trace mode with kiosk mode due after reboot: not a configuration to correct.
        KioskTree::setSwitches(false, true, true);
        QString shown;
        m_answerer->handle([&shown](QWidget *widget) {
            shown = widget->windowTitle();
            QCoreApplication::quit();
        });
        WindowDriver w = start();
        expectNoStrayBoxes();
        QCOMPARE(shown, QStringLiteral("The system is in global kiosk rules record mode"));
        QCOMPARE(m_helper.actions, 0);
        QVERIFY(!w.action("actionEnableKioskMode")->isEnabled());
        QVERIFY(!w.action("actionDisableKioskMode")->isEnabled());
        QVERIFY(w.action("actionGlobalRecordingMode")->isChecked());

        // A change would have nowhere to go while the helper records.
        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QVERIFY(w.setChecked(QStringLiteral("base"), false));
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(!w.action("actionSaveChanges")->isEnabled());

        // The quit is spent here, so that later loops run again.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
};

QTEST_MAIN(GlobalRecordTest)

#include "globalrecordtest.moc"

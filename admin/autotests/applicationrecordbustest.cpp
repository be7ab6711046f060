/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Recording an application's rules through the real road: the program's
// dialogs, the bus, polkit, the helper running the application under a
// temporary account on an X display, and the module's trace reporter.
// Runs on the test bus with real accounts, the reporter and a display.

#include "mainwindowtestcase.h"

#include "dialogs/createprofiledialog.h"
#include "dialogs/traceprocessdialog.h"
#include "dialogs/tracewaitdialog.h"
#include "profile/profileparser.h"

#include <QCheckBox>
#include <QRadioButton>

namespace
{
// The filenames of the editor's rows that allow reading.
QStringList readRows(QWidget *editor)
{
    QStringList filenames;
    const auto *table = editor->findChild<QTableWidget *>(QStringLiteral("objectsTableWidget"));
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, EditProfileDialog::ReadColumn)->checkState() == Qt::Checked) {
            filenames << table->item(row, EditProfileDialog::FilenameColumn)->text();
        }
    }
    return filenames;
}
}

class ApplicationRecordBusTest : public MainWindowTestCase
{
    Q_OBJECT

    // Answers the recording dialog as the administrator would, for a
    // temporary account, closes the application from the waiting dialog once
    // it runs, and reads the warning that it was ended. cat reads the
    // hostname, then waits on its input until it is closed: the module
    // reports only accesses of processes still running.
    void answerRecording(bool overwrite)
    {
        // Class by class: a new profile dialog is modal behind them, and
        // may be the modal widget for a moment in between.
        m_answerer->handle("TraceProcessDialog", [overwrite](QWidget *widget) {
            widget->findChild<QLineEdit *>(QStringLiteral("executableFileLineEdit"))->setText(QStringLiteral("/usr/bin/cat /etc/hostname -"));
            widget->findChild<QRadioButton *>(QStringLiteral("ignoreUserRadioButton"))->setChecked(true);
            widget->findChild<QCheckBox *>(QStringLiteral("overwriteCheckBox"))->setChecked(overwrite);
            widget->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        });
        m_answerer->handle("TraceWaitDialog", [](QWidget *widget) {
            auto *close = widget->findChild<QPushButton *>(QStringLiteral("closeApplicationButton"));
            auto *poll = new QTimer(widget);
            QObject::connect(poll, &QTimer::timeout, widget, [close, poll] {
                if (close->isEnabled()) {
                    poll->stop();
                    close->click();
                }
            });
            poll->start(100);
        });
        m_answerer->handle("QMessageBox", [](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            QCOMPARE(box->windowTitle(), QStringLiteral("Trace warnings"));
            // The application's last words, then what the collector widened:
            // the session bus's socket, a new name each run, and the home.
            QVERIFY2(box->text().startsWith(QLatin1String("Terminated\n")), qPrintable(box->text()));
            QVERIFY2(box->text().contains(QLatin1String("+file c o: /tmp")), qPrintable(box->text()));
            box->accept();
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        MainWindowTestCase::initTestCase();
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("XAUTHORITY")) {
            QSKIP("no X display: run on the test bus with its display");
        }
    }

    void init()
    {
        MainWindowTestCase::init();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeProfile(QStringLiteral("app"), QStringLiteral("@include base\n+file r u: /z\n"));
    }

    void creatingAProfileRecordsAnApplication()
    {
        WindowDriver w = open();
        answerRecording(false);
        QString proposed;
        QStringList recorded;
        m_answerer->handle("CreateProfileDialog", [&](QWidget *widget) {
            proposed = widget->findChild<QLineEdit *>(QStringLiteral("profileNameLineEdit"))->text();
            recorded = readRows(widget);
            widget->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        });
        w.action("actionCreateProfile")->trigger();
        QCOMPARE(proposed, QStringLiteral("cat"));
        QVERIFY(recorded.contains(QStringLiteral("/etc/hostname")));
        QVERIFY(w.profileState(QStringLiteral("cat")));

        trigger("actionSaveChanges", {QMessageBox::Yes});
        QVERIFY(KioskTree::hasProfile(QStringLiteral("cat")));
        const auto rules = ProfileParser::parseText(KioskTree::profile(QStringLiteral("cat"))).data().objectRules();
        QVERIFY(std::any_of(rules.cbegin(), rules.cend(), [](const ObjectRule &rule) {
            return rule.filename() == QLatin1String("/etc/hostname") && rule.modes().contains(ObjectRule::Read);
        }));
    }

    void editorAddsRecordedRules_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("added to the profile") << false;
        QTest::newRow("replacing the profile") << true;
    }

    void editorAddsRecordedRules()
    {
        QFETCH(bool, overwrite);
        WindowDriver w = open();
        EditProfileDialog editor(*w.profileState(QStringLiteral("app"))->file(), m_window->systemState(), nullptr);
        answerRecording(overwrite);
        editor.findChild<QAction *>(QStringLiteral("actionAddFilesFromProcess"))->trigger();
        expectNoStrayBoxes();

        const QStringList shown = readRows(&editor);
        // The program itself: the module stand-in may miss the first reads
        // of a temporary account whose uid an earlier run had.
        QVERIFY(shown.contains(QStringLiteral("/usr/bin/cat")));
        QCOMPARE(shown.contains(QStringLiteral("/z")), !overwrite);
        auto *list = editor.findChild<QListWidget *>(QStringLiteral("inclusionListWidget"));
        QCOMPARE(list->findItems(QStringLiteral("base"), Qt::MatchExactly).constFirst()->checkState(), overwrite ? Qt::Unchecked : Qt::Checked);
        // Nothing is saved or changed until the editor is accepted.
        QVERIFY(!m_window->systemState()->isChanged());
    }

    // Kiosk mode off now and on after reboot: leaving trace mode switches it
    // on now, and the editor says so.
    void editorTellsThatKioskModeIsOnNow()
    {
        KioskTree::setSwitches(false, true);
        WindowDriver w = open();
        EditProfileDialog editor(*w.profileState(QStringLiteral("app"))->file(), m_window->systemState(), nullptr);
        answerRecording(false);
        m_answerer->answer(QMessageBox::Ok);
        editor.findChild<QAction *>(QStringLiteral("actionAddFilesFromProcess"))->trigger();
        expectNoStrayBoxes();
        QCOMPARE(m_answerer->titles().last(), QStringLiteral("Application kiosk rules record"));
        QCOMPARE(m_answerer->boxes().last().text, QStringLiteral("Kiosk mode is on now, as it is set to be after reboot."));
        QVERIFY(m_window->systemState()->modes().enforce);
    }
};

QTEST_MAIN(ApplicationRecordBusTest)

#include "applicationrecordbustest.moc"

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The start object over a real single-instance application: what a command
// line forwarded by a second start does to the running instance.
//
// Runs on the private test bus, so that the window can hold unsaved changes.

#include "kioskstarter.h"
#include "mainwindowtestcase.h"

#include "singleinstance/singleapplication.h"

class KioskStarterTest : public MainWindowTestCase
{
    Q_OBJECT
public:
    explicit KioskStarterTest(SingleApplication *application)
        : m_application(application)
    {
    }

private:
    SingleApplication *m_application;

    // Runs the event loop until the application is asked to quit, or gives
    // up after a while; true when it was asked to quit.
    bool quitsSoon()
    {
        // Gone with this call, so a quit that came first leaves nothing behind.
        bool timedOut = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, m_application, [&timedOut]() {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        deadline.start(1500);
        const int code = QCoreApplication::exec();
        return code == 0 && !timedOut;
    }

private Q_SLOTS:
    void initTestCase()
    {
        MainWindowTestCase::initTestCase();
        // The last window closing is not what ends the program here.
        m_application->setQuitOnLastWindowClosed(false);
    }

    void init()
    {
        MainWindowTestCase::init();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n"));
        KioskTree::writeUser(QStringLiteral("bin"), QStringLiteral("@include base\n"), false);
    }

    void startShowsTheLoadedWindow()
    {
        KioskStarter starter(m_application);
        QVERIFY(!starter.isExitRequested());
        QCOMPARE(starter.exitCode(), 0);
        QVERIFY(starter.mainWindow());
        QVERIFY(starter.mainWindow()->isVisible());
        WindowDriver w(starter.mainWindow());
        QCOMPARE(w.userTexts(), (QStringList{QStringLiteral("bin (disabled)"), QStringLiteral("daemon")}));
        QVERIFY(m_answerer->boxes().isEmpty());
    }

    void forwardedCommandLines_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("shown");

        QTest::newRow("plain second start") << QStringLiteral("/usr/bin/orla-admin-kiosk|||/home/admin") << true;
        QTest::newRow("raise") << QStringLiteral("/usr/bin/orla-admin-kiosk|||--raise|||/home/admin") << true;
        QTest::newRow("empty working directory") << QStringLiteral("orla-admin-kiosk|||") << true;
        // One element: the working directory is taken off and nothing is left.
        QTest::newRow("no separator") << QStringLiteral("orla-admin-kiosk") << false;
        QTest::newRow("empty") << QString() << false;
        // A line the parser cannot read does nothing, least of all end the instance.
        QTest::newRow("unknown option") << QStringLiteral("orla-admin-kiosk|||--bogus|||/tmp") << false;
        QTest::newRow("help") << QStringLiteral("orla-admin-kiosk|||--help|||/tmp") << false;
    }

    void forwardedCommandLines()
    {
        QFETCH(QString, message);
        QFETCH(bool, shown);

        KioskStarter starter(m_application);
        starter.mainWindow()->hide();
        starter.onMessageReceived(message);
        QCOMPARE(starter.mainWindow()->isVisible(), shown);
        QVERIFY(!quitsSoon());
    }

    void forwardedQuitClosesTheInstance()
    {
        KioskStarter starter(m_application);
        starter.onMessageReceived(QStringLiteral("orla-admin-kiosk|||--quit|||/tmp"));
        QVERIFY(!starter.mainWindow()->isVisible());
        QVERIFY(quitsSoon());
    }

    void quitAsksAboutUnsavedChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("quits");

        QTest::newRow("no: quit without saving") << int(QMessageBox::No) << true;
        // Cancel keeps the window and the changes in it.
        QTest::newRow("cancel: keep running") << int(QMessageBox::Cancel) << false;
    }

    void quitAsksAboutUnsavedChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, quits);

        KioskStarter starter(m_application);
        WindowDriver w(starter.mainWindow());
        QVERIFY2(!starter.mainWindow()->systemState()->readOnlyInfo().readOnly, "read-only: run on the private test bus");
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        w.action("actionEnableUser")->trigger();

        m_answerer->answer(QMessageBox::StandardButton(answer));
        starter.onMessageReceived(QStringLiteral("orla-admin-kiosk|||--quit|||/tmp"));
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Unsaved changes")});
        QCOMPARE(starter.mainWindow()->isVisible(), !quits);
        QCOMPARE(quitsSoon(), quits);
        QVERIFY(starter.mainWindow()->systemState()->isChanged());
        // Nothing was saved either way.
        QVERIFY(KioskTree::hasUser(QStringLiteral("bin"), false));
    }
};

int main(int argc, char *argv[])
{
    SingleApplication application(argc, argv);
    KioskStarterTest test(&application);
    // The start reads the same command line: give the test no options.
    return QTest::qExec(&test, application.arguments());
}

#include "kioskstartertest.moc"

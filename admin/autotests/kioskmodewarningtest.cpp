/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Kiosk mode switched on from the window against a stand-in helper that
// says what it could not do beside: kiosk users' processes that still run
// unconfined, which only the administrator can end.

#include "fakehelpertestcase.h"

#include "protocol/helperconstants.h"

class KioskModeWarningTest : public FakeHelperTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        FakeHelperTestCase::init();
        m_helper.onAction = [] {
            KioskTree::setSwitches(true, true);
        };
    }

    void processesLeftUnconfinedAreNamed()
    {
        const QString left =
            QStringLiteral("These processes of kiosk users run unconfined and could not be ended; they keep what they have open: 4242 (server) of daemon");
        m_helper.reply.addData(HelperConstants::warningsDataKey, QStringList{left});
        WindowDriver w = start();
        trigger("actionEnableKioskMode", {QMessageBox::Yes, QMessageBox::Ok});

        QCOMPARE(m_helper.receivedAction, HelperConstants::enableActionId);
        QCOMPARE(m_answerer->titles(), (QStringList{QStringLiteral("Enable kiosk mode"), QStringLiteral("Kiosk mode")}));
        const ModalAnswerer::Box box = m_answerer->boxes().at(1);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY2(box.text.contains(QLatin1String("after users relogin")), qPrintable(box.text));
        QVERIFY2(box.text.contains(QLatin1String("4242 (server) of daemon")), qPrintable(box.text));
        QCOMPARE(w.statusLabel()->text(), QStringLiteral("Kiosk mode: <b>On</b>"));
    }

    void nothingLeftSaysNothingMore()
    {
        start();
        trigger("actionEnableKioskMode", {QMessageBox::Yes});
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Enable kiosk mode")});
    }
};

QTEST_MAIN(KioskModeWarningTest)

#include "kioskmodewarningtest.moc"

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "failures/kauthexception.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"
#include "protocol/updateactionsmap.h"

#include <KAuth/ExecuteJob>

#include <QTest>

// Runs with the system bus address pointing nowhere (see CMakeLists.txt): a
// machine without a working bus must give a clear failure, never a success
// and never a wait without end.
class KAuthNoBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actionWithoutBusFails()
    {
        QVERIFY(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS").contains(QLatin1String("nonexistent")));
        KAuth::Action action = Utils::helperAction(HelperConstants::enableActionId, UpdateActionsMap(QString()), nullptr, 5000);
        try {
            Utils::executeKAuthJob(action.execute());
            QFAIL("an action without a bus was reported as done or refused");
        } catch (const KAuthException &e) {
            QVERIFY(e.id() != KAuth::ActionReply::NoError);
            QVERIFY(!e.fullDetails().isEmpty());
            // Without a bus it fails at once; only a wait that hung ends at the watchdog.
            QVERIFY2(e.fullDetails() != QStringLiteral("The privileged helper did not answer."), "the wait ran out instead");
        }
    }
};

QTEST_GUILESS_MAIN(KAuthNoBusTest)

#include "kauthnobustest.moc"

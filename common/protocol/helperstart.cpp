/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/helperstart.h"

#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>

namespace
{
// A save's new texts and second names, hidden beside the entries; the save
// removes them once it is through.
bool holdsSaveLeftovers(const QString &dir)
{
    return !QDir(dir, QString(), QDir::Name, QDir::Files | QDir::Hidden | QDir::System)
                .entryList({QStringLiteral(".kiosk-new-*"), QStringLiteral(".kiosk-old-*")})
                .isEmpty();
}
}

void Utils::startHelper()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    QDBusConnectionInterface *connection = bus.isConnected() ? bus.interface() : nullptr;
    if (connection && !connection->isServiceRegistered(HelperConstants::helperId)) {
        (void)connection->startService(HelperConstants::helperId);
    }
}

void Utils::putInterruptedSaveInOrder()
{
    if (holdsSaveLeftovers(SystemKiosk::systemProfilesDir()) || holdsSaveLeftovers(SystemKiosk::userProfilesDir())
        || holdsSaveLeftovers(SystemKiosk::disabledProfilesDir())) {
        startHelper();
    }
}

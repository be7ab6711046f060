/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/orlainit.h"
#include "icontheme.h"
#include "kioskstarter.h"
#include "orla-admin-kiosk-version.h"
#include "singleinstance/singleapplication.h"

int main(int argc, char *argv[])
{
    SingleApplication application(argc, argv, true);
    orlaInit(ORLA_ADMIN_KIOSK_VERSION_STRING, "System Kiosk\nApplication to organize restricted environment");
    IconTheme::ensureFallback();

    // Destroyed before the application object.
    KioskStarter starter(&application);
    if (starter.isExitRequested()) {
        return starter.exitCode();
    }
    return application.exec();
}

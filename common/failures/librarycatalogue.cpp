/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

// Installs the library's own message catalogue, which translates the failure
// sentences, as soon as an application object exists.

#include "systempaths.h"

#include <QCoreApplication>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <QTranslator>

namespace
{
void installLibraryCatalogue()
{
    auto *app = QCoreApplication::instance();
    auto *translator = new QTranslator(app);
    if (translator->load(QLocale::system(),
                         QStringLiteral("liborla-admin-kiosk_common"),
                         QStringLiteral("_"),
                         QString::fromUtf8(SystemPaths::translationsDir))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

void scheduleLibraryCatalogue()
{
    auto *app = QCoreApplication::instance();
    if (QThread::currentThread() == app->thread()) {
        installLibraryCatalogue();
    } else {
        QTimer::singleShot(0, app, installLibraryCatalogue);
    }
}
}

Q_COREAPP_STARTUP_FUNCTION(scheduleLibraryCatalogue)

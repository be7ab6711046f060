/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// A tiny program on SingleApplication for the single-instance test: the
// first process reports where it listens and echoes every message it gets;
// a later one hands its arguments over and reports whether that worked.

#include "singleinstance/singleapplication.h"

#include <QTextStream>

int main(int argc, char *argv[])
{
    SingleApplication application(argc, argv, true);
    QTextStream out(stdout);
    if (application.isRunning()) {
        const bool sent = application.sendMessage(application.arguments().mid(1).join(QStringLiteral("|||")), 5000);
        out << (sent ? "sent" : "unsent") << Qt::endl;
        return sent ? 0 : 3;
    }
    QObject::connect(&application, &SingleApplication::messageReceived, &application, [&](const QString &message) {
        out << "received " << message << Qt::endl;
        if (message == QLatin1String("quit")) {
            application.quit();
        }
    });
    out << "primary " << SingleApplication::serverPath() << Qt::endl;
    return application.exec();
}

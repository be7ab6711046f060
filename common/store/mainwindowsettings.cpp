/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/mainwindowsettings.h"

namespace
{
const QString geometryKey = QStringLiteral("geometry");
const QString stateKey = QStringLiteral("state");
}

namespace Settings
{
MainWindow::MainWindow()
    : KioskSettings(QStringLiteral("main_window"))
{
}

MainWindow::~MainWindow() = default;

QByteArray MainWindow::geometry() const
{
    return settings().value(geometryKey).toByteArray();
}

void MainWindow::setGeometry(const QByteArray &geometry)
{
    settings().setValue(geometryKey, geometry);
}

QByteArray MainWindow::state() const
{
    return settings().value(stateKey).toByteArray();
}

void MainWindow::setState(const QByteArray &state)
{
    settings().setValue(stateKey, state);
}
}

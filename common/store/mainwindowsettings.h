/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_MAINWINDOWSETTINGS_H
#define ORLA_MAINWINDOWSETTINGS_H

#include "store/kiosksettings.h"

#include <QByteArray>

namespace Settings
{
/** The administration program's window geometry and dock/toolbar state. */
class ORLACOMMON_EXPORT MainWindow : public KioskSettings
{
public:
    MainWindow();
    ~MainWindow() override;

    QByteArray geometry() const;
    void setGeometry(const QByteArray &geometry);

    QByteArray state() const;
    void setState(const QByteArray &state);
};
}

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kiosksettings.h"

namespace Settings
{
KioskSettings::KioskSettings(const QString &application)
    : m_settings(QStringLiteral("orla-admin-kiosk"), application)
{
}

KioskSettings::KioskSettings(const QString &application, const QString &fileName)
    : m_settings(fileName.isEmpty() ? QSettings(QStringLiteral("orla-admin-kiosk"), application) : QSettings(fileName, QSettings::NativeFormat))
{
}

KioskSettings::~KioskSettings() = default;

void KioskSettings::save()
{
    m_settings.sync();
}

QSettings &KioskSettings::settings()
{
    return m_settings;
}

const QSettings &KioskSettings::settings() const
{
    return m_settings;
}
}

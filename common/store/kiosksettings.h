/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKSETTINGS_H
#define ORLA_KIOSKSETTINGS_H

#include "orlacommon_export.h"

#include <QSettings>
#include <QString>

namespace Settings
{
/**
 * Per-user state of one of the system's programs, kept in Qt's native settings
 * storage of the organisation "orla-admin-kiosk". Unreadable storage reads as
 * the defaults; write failures are left to QSettings.
 */
class ORLACOMMON_EXPORT KioskSettings
{
public:
    explicit KioskSettings(const QString &application);
    /** Kept in @p fileName instead when it is not empty. */
    KioskSettings(const QString &application, const QString &fileName);
    virtual ~KioskSettings();

    KioskSettings(const KioskSettings &) = delete;
    KioskSettings &operator=(const KioskSettings &) = delete;

    /** Writes pending changes to storage now; destruction does it as well. */
    void save();

protected:
    QSettings &settings();
    const QSettings &settings() const;

private:
    QSettings m_settings;
};
}

#endif

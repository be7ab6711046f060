/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKTREEREADER_H
#define ORLA_KIOSKTREEREADER_H

#include "kioskbundle.h"
#include "store/systemkiosk.h"

#include <QString>

/**
 * A kiosk tree on disk: the system's own, or a directory laid out like the
 * directory that holds it (its system profile directory, user profile
 * directory with the disabled directory inside, and switch files after
 * reboot, under the same names), say a copy taken from another machine.
 *
 * Profiles are listed as the store lists them: regular files only, no
 * links, no hidden files.
 */
class KioskTreeReader
{
public:
    /** The system's tree. */
    KioskTreeReader();
    /** The tree laid out below @p dir. */
    explicit KioskTreeReader(const QString &dir);

    /**
     * Everything a bundle carries. A missing directory holds no profiles and
     * a missing switch file reads as off, as on a machine where kiosk mode
     * was never set up.
     * @throws ReadFileException
     */
    KioskBundle read() const;

private:
    SystemKiosk m_kiosk;
    bool m_system = true;
};

#endif

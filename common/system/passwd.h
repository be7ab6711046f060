/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PASSWD_H
#define ORLA_PASSWD_H

#include "orlacommon_export.h"
#include "system/passwdentry.h"

#include <QList>
#include <QObject>

/** Reader of the password database; never instantiated. */
class ORLACOMMON_EXPORT Passwd : public QObject
{
    Q_OBJECT

public:
    Passwd() = delete;

    /** Every entry of the password file, in file order. Throws ReadFileException if it cannot be opened. */
    static QList<PasswdEntry> entries();
};

#endif

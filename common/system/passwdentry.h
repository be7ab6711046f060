/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PASSWDENTRY_H
#define ORLA_PASSWDENTRY_H

#include "orlacommon_export.h"

#include <QString>

/** One line of the password database, decoded as UTF-8. */
struct ORLACOMMON_EXPORT PasswdEntry {
    QString name;
    QString password;
    int uid = 0;
    int gid = 0;
    QString gecos;
    QString home;
    QString shell;
};

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_SYSTEMUSERS_H
#define ORLA_SYSTEMUSERS_H

#include "orlacommon_export.h"

#include <QSet>
#include <QString>

namespace Utils
{
/**
 * Login names of the human accounts: uid above 999, except 65534 (nobody).
 * Throws ReadFileException if the password file cannot be opened.
 */
ORLACOMMON_EXPORT QSet<QString> users();
}

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_ACCOUNTDIRECTORY_H
#define ORLA_ACCOUNTDIRECTORY_H

#include "orlacommon_export.h"

#include <QHash>
#include <QSet>
#include <QString>

/**
 * Whether system accounts exist, asked of the account database in process.
 *
 * Gives the answer of User::exists() without starting "id" for every kiosk
 * user on every status computation. The database is listed once; a name not
 * in the listing is still looked up on its own, since some account sources
 * do not list their accounts. Answers are remembered for the life of the
 * object: the working state keeps one from one load to the next, since a
 * source that answers every unknown name on its own may take a tenth of a
 * millisecond for each, which thousands of kiosk users make a pause after
 * every edit.
 */
class ORLACOMMON_EXPORT AccountDirectory
{
public:
    // Never throws: a name that cannot be an account name has no account.
    bool exists(const QString &name);
    // As exists(), asking the database again about this name alone.
    bool existsNow(const QString &name);

private:
    static bool lookUp(const QString &name);
    void list();

    bool m_listed = false;
    QSet<QString> m_listedNames;
    QHash<QString, bool> m_known;
};

#endif

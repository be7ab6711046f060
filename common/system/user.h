/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_USER_H
#define ORLA_USER_H

#include "orlacommon_export.h"

#include <QObject>
#include <QString>

/**
 * One system account, by name, and the account tools that work on it.
 *
 * Failures of a tool come back as UserException carrying the name. A name
 * that cannot be an account name is refused with UserException before any
 * tool sees it, so that blanks, quotes or a leading '-' never reach a tool
 * in pieces or as an option.
 */
class ORLACOMMON_EXPORT User : public QObject
{
    Q_OBJECT

public:
    User(QObject *parent, const QString &name);
    explicit User(const QString &name);

    QString name() const;

    bool exists();
    void create();
    void remove();
    bool logged();
    int getUid();
    QString homeDir();

    /**
     * Whether name may be handed to the account tools: a letter or '_', then
     * letters, digits, '_', '-' or '.', optionally ending in '$', at most 32
     * characters. A leading digit is refused too: "id" would take it for a uid.
     */
    static bool isValidName(const QString &name);

private:
    void checkName() const;

    const QString m_name;
};

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKCHECK_H
#define ORLA_KIOSKCHECK_H

#include "kioskbundle.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QSet>
#include <QStringList>

/**
 * The statuses the program would show for a kiosk configuration: of every
 * system profile and kiosk user, computed by the library's KioskStatuses,
 * with the names behind two of them (the includes of profiles that do not
 * exist, the chain of an include cycle).
 */
class KioskCheck
{
    Q_DECLARE_TR_FUNCTIONS(KioskCheck)

public:
    enum class Accounts {
        Check, // users whose account does not exist here have errors
        Ignore, // a configuration meant for other machines
    };

    struct Entry {
        bool user = false;
        bool enabled = true;
        QString name; // a user's account name
        QSet<int> status;
        QStringList cycle;
        QStringList unknownIncludes;
    };

    KioskCheck(const KioskBundle &configuration, Accounts accounts);

    bool hasErrors() const;
    bool hasWarnings() const;

    /** One line per error or warning, then a count. */
    QString text() const;
    /** Every profile and user with its status codes and their words. */
    QByteArray json() const;
    /** The lines of text() that are errors. */
    QStringList errorLines() const;

private:
    QStringList lines(const Entry &entry, bool errors, bool warnings) const;

    // Profiles by name, then users by account name.
    QList<Entry> m_entries;
};

#endif

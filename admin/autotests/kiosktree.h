/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKTREE_H
#define ORLA_KIOSKTREE_H

#include <QString>
#include <QStringList>

/**
 * The scratch kiosk tree of a test build (ORLA_SYSTEM_ROOT): profile
 * directories, switch files and module parameters, emptied on construction.
 *
 * Refuses to work on a build without a scratch root, so a test can never
 * change the machine's own kiosk configuration.
 */
class KioskTree
{
public:
    KioskTree();

    // False (with the reason) when the build has no scratch root.
    static bool isScratch(QString *why = nullptr);

    void clear();
    void writeProfile(const QString &name, const QString &text);
    void writeUser(const QString &name, const QString &text, bool enabled = true);
    // Switch files hold "1\n" or "0\n", the way the helper writes them.
    void setSwitches(bool enforce, bool autoEnforce, bool complain = false, bool autoComplain = false);
    void setPasswd(const QStringList &lines);

    QString profile(const QString &name) const;
    QString user(const QString &name, bool enabled = true) const;
    bool hasProfile(const QString &name) const;
    bool hasUser(const QString &name, bool enabled = true) const;
    QStringList profileNames() const;
    QStringList userNames(bool enabled = true) const;
    // "1" or "0" as stored, without the line feed; empty when missing.
    QString switchValue(const QString &path) const;

    static QString profilesDir();
    static QString usersDir();
    static QString disabledUsersDir();
};

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKWHITELISTS_H
#define ORLA_KIOSKWHITELISTS_H

#include "filestamp.h"
#include "profile/objectrule.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <sys/types.h>

/**
 * What each enabled kiosk user may touch, as the profiles on disk say now.
 *
 * A user is a kiosk user while a regular file named by the account lies in
 * the user profile directory; its whitelist is the file rules of that profile
 * and of every system profile it includes, directly or not. Parsed profiles
 * and whitelists are kept between batches and used again as long as none of
 * their files changed inode, size or modification time.
 */
class KioskWhitelists
{
public:
    class Whitelist
    {
    public:
        /** A file rule names exactly @p path and holds both @p mode and @p target. */
        bool allows(const QByteArray &path, ObjectRule::Mode mode, ObjectRule::Target target) const;

    private:
        friend class KioskWhitelists;
        void add(const QByteArray &path, quint8 pairs);
        // One bit for each mode and target pair a rule on the path holds.
        QHash<QByteArray, quint8> m_allowed;
    };

    /** Forgets who is a kiosk user: the next questions look at the disk again. */
    void newBatch();

    /** The whitelist of the account with @p uid; null when it is no enabled kiosk user. */
    const Whitelist *of(uid_t uid);

private:
    struct Profile {
        FileStamp key;
        QVector<QPair<QByteArray, quint8>> rules;
        QStringList includes;
    };

    struct User {
        // Every profile file the whitelist was made from, missing ones too:
        // an include that appears later must make it anew.
        QVector<QPair<QString, FileStamp>> files;
        Whitelist whitelist;
    };

    const Profile &profile(const QString &path, const FileStamp &key);
    bool unchanged(const User &user) const;
    User build(const QString &userProfile, const FileStamp &key);
    const Whitelist *whitelistOf(const QString &account);

    QHash<QString, Profile> m_profiles;
    QHash<QString, User> m_users;
    QHash<uid_t, const Whitelist *> m_batch;
};

#endif

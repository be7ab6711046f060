/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKWHITELISTS_H
#define ORLA_KIOSKWHITELISTS_H

#include "filestamp.h"
#include "profile/profiledata.h"
#include "userwhitelist.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <sys/types.h>

/**
 * What each enabled kiosk user may touch, as the profiles on disk say now:
 * the library's UserWhitelist, which enforcement builds its rulesets from
 * too, kept between batches.
 *
 * Parsed profiles and whitelists are used again as long as none of their
 * files changed inode, size or modification time. Like a session's
 * ruleset, a whitelist is resolved against the file system once: an object
 * that appears later counts from the next change of a profile.
 */
class KioskWhitelists
{
public:
    /** Forgets who is a kiosk user: the next questions look at the disk again. */
    void newBatch();

    /** The whitelist of the account with @p uid; null when it is no enabled kiosk user. */
    const UserWhitelist *of(uid_t uid);

private:
    struct TmpDirStamp {
        bool directory = false;
        dev_t dev = 0;
        ino_t ino = 0;
        bool operator==(const TmpDirStamp &other) const
        {
            return directory == other.directory && dev == other.dev && ino == other.ino;
        }
        static TmpDirStamp of(uid_t uid);
    };

    struct Profile {
        FileStamp key;
        ProfileData data;
    };

    struct User {
        // Every profile file the whitelist was made from, missing ones too:
        // an include that appears later must make it anew.
        QVector<QPair<QString, FileStamp>> files;
        // The session's own temporary directory, made at login, usually
        // after the whitelist was first asked for: its rule resolves anew
        // once it appears or is made afresh.
        uid_t uid = 0;
        TmpDirStamp tmpDir;
        UserWhitelist whitelist;
    };

    ProfileData profile(const QString &path, QHash<QString, FileStamp> *stamps);
    bool unchanged(const User &user) const;
    User build(const QString &account, uid_t uid);
    const UserWhitelist *whitelistOf(const QString &account, uid_t uid);

    QHash<QString, Profile> m_profiles;
    QHash<QString, User> m_users;
    QHash<uid_t, const UserWhitelist *> m_batch;
};

#endif

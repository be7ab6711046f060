/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_USERWHITELIST_H
#define ORLA_USERWHITELIST_H

#include "profile/objectrule.h"
#include "profile/profiledata.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include <sys/types.h>

/**
 * What one kiosk user's profiles allow, resolved against the file system as
 * it is now: the user profile and every system profile it reaches by
 * includes (each name once), their object rules turned into grants on
 * existing objects. The module's trace mode asks it whether an access is
 * already allowed, and its enforcement builds a session's ruleset from the
 * same grants, so a recording learns exactly what enforcement refuses.
 *
 * How a rule becomes grants:
 * - Paths are walked from "/" by SafePath, which follows only links root
 *   placed and passes only through directories nobody but root and the
 *   user can change; a rule whose path needs more is left out.
 * - A "*" in the path matches any run of characters within one component
 *   (not a leading dot); the rule stands for every object that matches,
 *   never for a link, never for what lies in another account's directory.
 * - Grants are kept by the object's real path.
 * - The targets are decided by the object's owner now: "u" applies to an
 *   object the user owns, "o" to any other.
 * - A directory grants its modes on itself and everything below it, c
 *   being creating and removing entries there. Any other object grants r
 *   and w on itself, and c below its parent directory.
 * - A link rule names the link itself, which needs nothing to be read: only
 *   its c counts, below the link's parent directory.
 * - An object that does not exist grants nothing, except for a rule with
 *   c and "u": below the directory it would be made in (only one that
 *   root or the user owns and nobody else can change), making a file or
 *   a directory (a link for a link rule) and replacing a file there, and
 *   the rule's r and w, which cannot be held to an object not there yet.
 *   So does a rule with c for the user's own objects alone whose path
 *   matches only other accounts' objects, in each match's directory.
 * Everything left out is said in warnings(), never fatal.
 */
class UserWhitelist
{
public:
    /** One bit per ObjectRule::Mode. */
    using Modes = quint8;
    static constexpr Modes bit(ObjectRule::Mode mode)
    {
        return Modes(1u << int(mode));
    }
    /** Beneath a directory: making a regular file or a directory, and replacing a file by a rename. */
    static constexpr Modes createFileBit = Modes(1u << 6);
    /** Beneath a directory: making a symbolic link, and replacing a file by a rename. */
    static constexpr Modes createLinkBit = Modes(1u << 7);

    struct Grant {
        /** The object's real path. */
        QByteArray path;
        /** Modes on this object alone: never a directory. */
        Modes object = 0;
        /** Modes on this directory and everything below it. */
        Modes beneath = 0;
    };

    /** Reads one profile file, throwing a DetailsException when it cannot. */
    using ProfileReader = std::function<ProfileData(const QString &path)>;

    /**
     * Told of every grant as it is made, with the descriptor (O_PATH) of the
     * object that the safe walk opened, valid during the call only: what a
     * ruleset must be made of, so that no rename between the walk and the
     * rule redirects it. One object may be told of several times.
     */
    using GrantSink = std::function<void(int fd, const QByteArray &path, Modes object, Modes beneath)>;

    UserWhitelist();

    /**
     * The whitelist of @p account, whose numeric id is @p uid. The account is
     * a kiosk user while a regular file of its name lies in the user profile
     * directory; otherwise the whitelist is empty and isKioskUser() false.
     * @p reader defaults to the store's profile reader; @p sink, when given,
     * gets every grant with its object.
     */
    static UserWhitelist read(const QString &account, uid_t uid, const ProfileReader &reader = {}, const GrantSink &sink = {});

    bool isKioskUser() const;

    /** Whether @p account is an enabled kiosk user now, as read() decides it, without reading a profile. */
    static bool isEnabledKioskUser(const QString &account);

    /** Every profile file looked at, missing ones included, in the order reached. */
    QStringList profileFiles() const;

    /** Sorted by path. */
    QVector<Grant> grants() const;

    /** What was left out and why, one sentence each. */
    QStringList warnings() const;

    /** Whether an access of @p mode to the object at the real path @p path is granted (Create: its creation). */
    bool allows(const QByteArray &path, ObjectRule::Mode mode) const;

private:
    class Resolver;

    struct Entry {
        Modes object = 0;
        Modes beneath = 0;
    };

    bool m_kioskUser = false;
    QStringList m_profileFiles;
    QStringList m_warnings;
    QHash<QByteArray, Entry> m_entries;
};

#endif

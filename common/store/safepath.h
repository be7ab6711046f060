/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_SAFEPATH_H
#define ORLA_SAFEPATH_H

#include "orlacommon_export.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

/**
 * Paths of one account's rules resolved the way a hostile account cannot
 * bend: component by component from "/", each opened with
 * O_PATH|O_NOFOLLOW below the descriptor of the directory before it.
 *
 * - A link is followed only when only root could have placed it: the link
 *   is root's, in a directory only root can write (so the merged /usr's
 *   /bin, /lib and /lib64 still work). Any other link ends the walk.
 * - A directory is passed through only when nobody but root and the
 *   account can change its entries: owned by root or the account, and
 *   writable by no one else, unless it is sticky (like /tmp) and the entry
 *   is root's or the account's, which no other account may then rename or
 *   remove.
 * - "*" matches a run of characters within one component (not a leading
 *   dot); a match that is a link is never followed, and a match below a
 *   directory of another account is no match at all: a "*" in
 *   "/home" never reaches into another account's home.
 *
 * Objects are handed out as descriptors of what the walk opened, so a
 * grant made of them cannot be redirected by a rename or a new link
 * between the walk and the use.
 */
class ORLACOMMON_EXPORT SafePath
{
public:
    /** One object a path names, or the place of a missing one. */
    struct Found {
        /** The directory the object lies, or would be made, in: descriptor, real path and status. */
        int parentFd = -1;
        bool ownsParent = false;
        QByteArray parentPath;
        struct stat parentStat {
        };
        /** The object itself: -1 when it does not exist. */
        int fd = -1;
        QByteArray path;
        struct stat st {
        };

        bool exists() const
        {
            return fd >= 0;
        }
    };

    /** Called for each object; the descriptors are valid during the call only. */
    using Visitor = std::function<void(const Found &)>;

    /** Walks for the account @p uid: its own objects count as safe as root's. */
    explicit SafePath(uid_t uid);
    ~SafePath();
    SafePath(const SafePath &) = delete;
    SafePath &operator=(const SafePath &) = delete;

    /**
     * Visits every object @p pattern names (an absolute path, "*" the only
     * wildcard), and, where the last component names nothing in a directory
     * the walk may use, that place with fd -1. @p followLast: whether a last
     * component that is a link root placed is followed (a rule for the link
     * itself does not). What is left out, and why, goes to @p warnings.
     * At most @p maxMatches objects are visited; @p cut says whether more
     * were found.
     */
    void resolve(const QByteArray &pattern, bool followLast, int maxMatches, const Visitor &visit, QStringList *warnings, bool *cut = nullptr);

private:
    struct Level;
    struct Walk;
    enum class Step { Done, Missing, Refused, Quiet };

    Step stepInto(Walk &walk, int dirFd, const QByteArray &dirPath, const struct stat &dirStat, const QByteArray &name, bool follow, Found *found);
    Step follow(Walk &walk, int linkFd, const QByteArray &linkPath, int dirFd, const QByteArray &dirPath, Found *found);
    Step walkRelative(Walk &walk, int fromFd, const QByteArray &fromPath, const QList<QByteArray> &components, bool followLast, Found *found);
    void expand(Walk &walk, int dirFd, const QByteArray &dirPath, const struct stat &dirStat, const QList<QByteArray> &components, int index);
    bool mayHold(const struct stat &dir, const struct stat &entry) const;
    bool onlyRootWrites(const struct stat &dir) const;
    const Level *prefix(Walk &walk, const QList<QByteArray> &components, int count);
    void truncateStack(int size);

    const uid_t m_uid;
    // The directories of the last literal prefix walked, by its components:
    // rules are resolved in path order, so consecutive ones share most of it.
    std::vector<Level> m_stack;
};

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "userwhitelist.h"

#include "failures/detailsexception.h"
#include "profile/includegraph.h"
#include "store/safepath.h"
#include "store/systemkiosk.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A pattern that matches more objects than this is cut short: no profile
// means that many, and a stray "/*/*/*/*" must not stall a login.
constexpr int maxMatches = 10000;

QString shown(const QByteArray &path)
{
    return QFile::decodeName(path);
}

bool isRegularFile(const QString &path)
{
    struct stat st {
    };
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

ProfileData readFromStore(const QString &path)
{
    return SystemKiosk().readProfile(path).data();
}
}

class UserWhitelist::Resolver
{
public:
    Resolver(UserWhitelist &whitelist, uid_t uid, const GrantSink &sink)
        : m_whitelist(whitelist)
        , m_uid(uid)
        , m_walk(uid)
        , m_sink(sink)
    {
    }

    void add(const ObjectRule &rule, const QByteArray &path);

private:
    // What the resolution asks of a rule, read out of it once.
    struct Rule {
        bool link;
        Modes modes;
        bool forUser;
        bool forOther;

        bool has(ObjectRule::Mode mode) const
        {
            return modes & bit(mode);
        }
        bool appliesTo(ObjectRule::Target target) const
        {
            return target == ObjectRule::TargetUser ? forUser : forOther;
        }
    };

    void addObject(const Rule &rule, const SafePath::Found &found);
    void addMissing(const Rule &rule, const SafePath::Found &found);
    void grantCreation(const Rule &rule, int parentFd, const QByteArray &parentPath);
    // Whether the user's own object may be made in a directory of this
    // status: root's or the user's, writable by nobody else unless sticky
    // (as the walk holds a missing object's directory to).
    bool mayHoldOwn(const struct stat &dir) const
    {
        const bool othersWrite = (dir.st_mode & S_IWOTH) || ((dir.st_mode & S_IWGRP) && dir.st_gid != 0);
        return S_ISDIR(dir.st_mode) && (dir.st_uid == 0 || dir.st_uid == m_uid) && (!othersWrite || (dir.st_mode & S_ISVTX));
    }
    void grant(const QByteArray &path, int fd, Modes object, Modes beneath)
    {
        Entry &entry = m_whitelist.m_entries[path];
        const Entry before = entry;
        entry.object |= object;
        entry.beneath |= beneath;
        // The parent of many files is granted c as often: one rule is enough.
        if (m_sink && (entry.object != before.object || entry.beneath != before.beneath)) {
            m_sink(fd, path, object, beneath);
        }
    }
    void warn(const QString &text)
    {
        m_whitelist.m_warnings.append(text);
    }

    UserWhitelist &m_whitelist;
    const uid_t m_uid;
    SafePath m_walk;
    const GrantSink &m_sink;
};

void UserWhitelist::Resolver::add(const ObjectRule &rule, const QByteArray &path)
{
    if (!rule.isValid()) {
        warn(QCoreApplication::translate("UserWhitelist", "The rule for %1 lacks a type, a mode or a target: left out").arg(rule.filename()));
        return;
    }
    if (!path.startsWith('/')) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 is not an absolute path: left out").arg(rule.filename()));
        return;
    }
    Rule summary{rule.type() == ObjectRule::Link, 0, false, false};
    const QSet<ObjectRule::Mode> modes = rule.modes();
    for (const ObjectRule::Mode mode : modes) {
        summary.modes |= bit(mode);
    }
    const QSet<ObjectRule::Target> targets = rule.targets();
    summary.forUser = targets.contains(ObjectRule::TargetUser);
    summary.forOther = targets.contains(ObjectRule::TargetOther);

    bool anything = false;
    bool cut = false;
    const int warningsBefore = m_whitelist.m_warnings.size();
    // A rule for the user's own objects that matches only others' (a name
    // another account made first) stands for the user's own yet to be
    // made, as for a missing object: where each match lies.
    const bool mayFallBack = summary.has(ObjectRule::Create) && summary.forUser && !summary.forOther;
    bool ownMatch = false;
    QVector<std::pair<int, QByteArray>> othersPlaces;
    // A link rule names the link itself, never what it points to.
    m_walk.resolve(
        path,
        !summary.link,
        maxMatches,
        [&](const SafePath::Found &found) {
            anything = true;
            if (found.exists()) {
                // Root's object is where root meant it to be: no fallback.
                const bool others = found.st.st_uid != m_uid && found.st.st_uid != 0;
                ownMatch = ownMatch || found.st.st_uid == m_uid;
                if (mayFallBack && others && !ownMatch && mayHoldOwn(found.parentStat)
                    && std::none_of(othersPlaces.cbegin(), othersPlaces.cend(), [&found](const std::pair<int, QByteArray> &place) {
                           return place.second == found.parentPath;
                       })) {
                    const int fd = fcntl(found.parentFd, F_DUPFD_CLOEXEC, 0);
                    if (fd >= 0) {
                        othersPlaces.append({fd, found.parentPath});
                    }
                }
                addObject(summary, found);
            } else {
                addMissing(summary, found);
            }
        },
        &m_whitelist.m_warnings,
        &cut);
    for (const auto &place : std::as_const(othersPlaces)) {
        if (!ownMatch) {
            grantCreation(summary, place.first, place.second);
            warn(QCoreApplication::translate("UserWhitelist", "%1 matches only other accounts' objects: its modes are granted below %2")
                     .arg(rule.filename(), shown(place.second)));
        }
        close(place.first);
    }
    if (cut) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 matches more than %2 objects: only the first are granted").arg(rule.filename()).arg(maxMatches));
    }
    if (!anything && m_whitelist.m_warnings.size() == warningsBefore && !path.contains('*')) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist, nor does the directory it would be created in: left out").arg(shown(path)));
    }
}

// One look at an object: profiles of many thousand rules are resolved at
// every login.
void UserWhitelist::Resolver::addObject(const Rule &rule, const SafePath::Found &found)
{
    const bool create = rule.has(ObjectRule::Create);
    const ObjectRule::Target target = found.st.st_uid == m_uid ? ObjectRule::TargetUser : ObjectRule::TargetOther;
    if (rule.link) {
        if (create && rule.appliesTo(target)) {
            grant(found.parentPath, found.parentFd, 0, bit(ObjectRule::Create));
        }
        return;
    }
    // The walk follows no link it hands out; one here was not followed.
    if (S_ISLNK(found.st.st_mode) || !rule.appliesTo(target)) {
        return;
    }
    const Modes readWrite = rule.modes & (bit(ObjectRule::Read) | bit(ObjectRule::Write));
    // A directory is the parent of whatever is made below it; another
    // object is made and removed in its own parent.
    if (S_ISDIR(found.st.st_mode)) {
        grant(found.path, found.fd, 0, readWrite | (create ? bit(ObjectRule::Create) : 0));
    } else {
        grant(found.path, found.fd, readWrite, 0);
        if (create) {
            grant(found.parentPath, found.parentFd, 0, bit(ObjectRule::Create));
        }
    }
}

void UserWhitelist::Resolver::grantCreation(const Rule &rule, int parentFd, const QByteArray &parentPath)
{
    const Modes granted = rule.link ? createLinkBit : Modes((rule.modes & (bit(ObjectRule::Read) | bit(ObjectRule::Write))) | createFileBit);
    grant(parentPath, parentFd, 0, granted);
}

void UserWhitelist::Resolver::addMissing(const Rule &rule, const SafePath::Found &found)
{
    if (!rule.has(ObjectRule::Create)) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist: left out").arg(shown(found.path)));
        return;
    }
    // What the user creates is the user's own.
    if (!rule.forUser) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist and would be the user's own, which the rule does not allow: left out")
                 .arg(shown(found.path)));
        return;
    }
    // Landlock cannot name what is not there: making it takes a right on
    // its directory, and using it one beneath that directory. The kinds of
    // object are held to what the rule's type can be, and nothing may be
    // moved in from elsewhere.
    grantCreation(rule, found.parentFd, found.parentPath);
    warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist: its modes are granted below %2").arg(shown(found.path), shown(found.parentPath)));
}

UserWhitelist::UserWhitelist() = default;

bool UserWhitelist::isEnabledKioskUser(const QString &account)
{
    const std::optional<SystemKiosk::Entry> entry = SystemKiosk::userEntry(account);
    return entry && entry->directory == SystemKiosk::Directory::Users && isRegularFile(SystemKiosk::userProfilesDir() + QLatin1Char('/') + entry->file);
}

UserWhitelist UserWhitelist::read(const QString &account, uid_t uid, const ProfileReader &reader, const GrantSink &sink)
{
    UserWhitelist whitelist;
    const std::optional<SystemKiosk::Entry> entry = SystemKiosk::userEntry(account);
    if (!entry || entry->directory != SystemKiosk::Directory::Users) {
        return whitelist;
    }
    const QString userProfile = SystemKiosk::userProfilesDir() + QLatin1Char('/') + entry->file;
    whitelist.m_profileFiles.append(userProfile);
    // Only a regular file makes a kiosk user, as only such a file is a profile to the store.
    if (!isRegularFile(userProfile)) {
        return whitelist;
    }
    whitelist.m_kioskUser = true;

    const ProfileReader readProfile = reader ? reader : ProfileReader(readFromStore);
    QVector<ObjectRule> rules;
    // Its rules are taken, its includes answered; one that cannot be read grants nothing.
    const auto take = [&](const QString &path) {
        QVector<QString> names;
        ProfileData data;
        try {
            data = readProfile(path);
        } catch (const DetailsException &failure) {
            whitelist.m_warnings.append(failure.fullDetails());
            return names;
        }
        const QSet<ObjectRule> objectRules = data.objectRules();
        for (const ObjectRule &rule : objectRules) {
            rules.append(rule);
        }
        const QSet<IncludeRule> includes = data.includes();
        for (const IncludeRule &include : includes) {
            names.append(include.name());
        }
        return names;
    };
    const auto systemPath = [](const QString &name) -> QString {
        return SystemKiosk::systemProfilesDir() + QLatin1Char('/') + SystemKiosk::systemEntry(name)->file;
    };
    // The user profile first, then the system profiles as the includes
    // reach them; nothing else is read at a login.
    IncludeGraph::walkIncludes(
        take(userProfile),
        [&](const QString &name) {
            if (!SystemKiosk::systemEntry(name)) {
                whitelist.m_warnings.append(QCoreApplication::translate("UserWhitelist", "%1 is no profile name: the include is left out").arg(name));
                return false;
            }
            whitelist.m_profileFiles.append(systemPath(name));
            return true;
        },
        [&](const QString &name) {
            const QString path = systemPath(name);
            if (!isRegularFile(path)) {
                whitelist.m_warnings.append(QCoreApplication::translate("UserWhitelist", "The profile %1 does not exist: nothing of it is granted").arg(path));
                return QVector<QString>();
            }
            return take(path);
        });
    // In path order: neighbours share the directories walked to them, and
    // the warnings come in the same order every time.
    QVector<std::pair<QByteArray, int>> order;
    order.reserve(rules.size());
    for (int i = 0; i < rules.size(); ++i) {
        order.append({QFile::encodeName(rules.at(i).filename()), i});
    }
    std::sort(order.begin(), order.end());
    Resolver resolver(whitelist, uid, sink);
    for (const auto &entry : std::as_const(order)) {
        resolver.add(rules.at(entry.second), entry.first);
    }
    return whitelist;
}

bool UserWhitelist::isKioskUser() const
{
    return m_kioskUser;
}

QStringList UserWhitelist::profileFiles() const
{
    return m_profileFiles;
}

QVector<UserWhitelist::Grant> UserWhitelist::grants() const
{
    QVector<Grant> grants;
    grants.reserve(m_entries.size());
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        grants.append(Grant{it.key(), it->object, it->beneath});
    }
    std::sort(grants.begin(), grants.end(), [](const Grant &a, const Grant &b) {
        return a.path < b.path;
    });
    return grants;
}

QStringList UserWhitelist::warnings() const
{
    return m_warnings;
}

bool UserWhitelist::allows(const QByteArray &path, ObjectRule::Mode mode) const
{
    if (!path.startsWith('/')) {
        return false;
    }
    const Modes wanted = mode == ObjectRule::Create ? Modes(bit(mode) | createFileBit | createLinkBit) : bit(mode);
    if (mode != ObjectRule::Create && (m_entries.value(path).object & wanted)) {
        return true;
    }
    // Creating an object takes a grant below its parent; reading or
    // writing one, below the object itself or any directory above it.
    int end = mode == ObjectRule::Create ? path.lastIndexOf('/') : path.size();
    while (end >= 0) {
        const QByteArray dir = QByteArray::fromRawData(path.constData(), end == 0 ? 1 : end);
        const auto entry = m_entries.constFind(dir);
        if (entry != m_entries.constEnd() && (entry->beneath & wanted)) {
            return true;
        }
        if (end == 0) {
            break;
        }
        end = path.lastIndexOf('/', end - 1);
    }
    return false;
}

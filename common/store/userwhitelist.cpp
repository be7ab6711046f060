/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/userwhitelist.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

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

QByteArray parentOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray joined(const QByteArray &dir, const QByteArray &name)
{
    QByteArray path = dir;
    if (!path.endsWith('/')) {
        path += '/';
    }
    return path + name;
}

// "*" is the only wildcard: "?", "[" and "\" stand for themselves, so a
// recorded path, whatever its characters, always matches the object itself.
QByteArray fnmatchPattern(const QByteArray &component)
{
    QByteArray pattern;
    pattern.reserve(component.size() * 2);
    for (const char c : component) {
        if (c == '?' || c == '[' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

ProfileData readFromStore(const QString &path)
{
    return SystemKiosk().readProfile(path).data();
}
}

class UserWhitelist::Resolver
{
public:
    Resolver(UserWhitelist &whitelist, uid_t uid)
        : m_whitelist(whitelist)
        , m_uid(uid)
    {
    }

    void add(const ObjectRule &rule);

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

    void addObject(const Rule &rule, const QByteArray &path, const struct stat &linkStat);
    void addMissing(const Rule &rule, const QByteArray &path);
    QVector<QByteArray> expand(const QByteArray &pattern, bool *cut);
    QByteArray canonical(const QByteArray &path, const struct stat &linkStat);
    QByteArray canonicalDir(const QByteArray &dir);
    void grant(const QByteArray &path, Modes object, Modes beneath)
    {
        Entry &entry = m_whitelist.m_entries[path];
        entry.object |= object;
        entry.beneath |= beneath;
    }
    void warn(const QString &text)
    {
        m_whitelist.m_warnings.append(text);
    }

    UserWhitelist &m_whitelist;
    const uid_t m_uid;
    QHash<QByteArray, QByteArray> m_canonicalDirs;
};

void UserWhitelist::Resolver::add(const ObjectRule &rule)
{
    const QByteArray path = QFile::encodeName(rule.filename());
    if (!rule.isValid()) {
        warn(QCoreApplication::translate("UserWhitelist", "The rule for %1 lacks a type, a mode or a target: left out").arg(rule.filename()));
        return;
    }
    if (!path.startsWith('/')) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 is not an absolute path: left out").arg(rule.filename()));
        return;
    }
    bool cut = false;
    const QVector<QByteArray> objects = expand(path, &cut);
    if (cut) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 matches more than %2 objects: only the first are granted").arg(rule.filename()).arg(maxMatches));
    }
    Rule summary{rule.type() == ObjectRule::Link, 0, false, false};
    const QSet<ObjectRule::Mode> modes = rule.modes();
    for (const ObjectRule::Mode mode : modes) {
        summary.modes |= bit(mode);
    }
    const QSet<ObjectRule::Target> targets = rule.targets();
    summary.forUser = targets.contains(ObjectRule::TargetUser);
    summary.forOther = targets.contains(ObjectRule::TargetOther);

    bool found = false;
    for (const QByteArray &object : objects) {
        struct stat linkStat {
        };
        if (lstat(object.constData(), &linkStat) == 0) {
            found = true;
            addObject(summary, object, linkStat);
        }
    }
    if (!found) {
        addMissing(summary, path);
    }
}

// One look at an object that is no link: profiles of many thousand rules
// are resolved at every login.
void UserWhitelist::Resolver::addObject(const Rule &rule, const QByteArray &path, const struct stat &linkStat)
{
    const bool create = rule.has(ObjectRule::Create);
    if (rule.link) {
        const ObjectRule::Target target = linkStat.st_uid == m_uid ? ObjectRule::TargetUser : ObjectRule::TargetOther;
        const QByteArray parent = canonicalDir(parentOf(path));
        if (create && rule.appliesTo(target) && !parent.isEmpty()) {
            grant(parent, 0, bit(ObjectRule::Create));
        }
        return;
    }

    struct stat st = linkStat;
    if (S_ISLNK(linkStat.st_mode) && stat(path.constData(), &st) != 0) {
        // A link to nothing: the object it names is missing.
        addMissing(rule, path);
        return;
    }
    const ObjectRule::Target target = st.st_uid == m_uid ? ObjectRule::TargetUser : ObjectRule::TargetOther;
    if (!rule.appliesTo(target)) {
        return;
    }
    const QByteArray real = canonical(path, linkStat);
    if (real.isEmpty()) {
        warn(QCoreApplication::translate("UserWhitelist", "The real path of %1 cannot be found: left out").arg(shown(path)));
        return;
    }
    const Modes readWrite = rule.modes & (bit(ObjectRule::Read) | bit(ObjectRule::Write));
    // A directory is the parent of whatever is made below it; another
    // object is made and removed in its own parent.
    if (S_ISDIR(st.st_mode)) {
        grant(real, 0, readWrite | (create ? bit(ObjectRule::Create) : 0));
    } else {
        grant(real, readWrite, 0);
        if (create) {
            grant(parentOf(real), 0, bit(ObjectRule::Create));
        }
    }
}

void UserWhitelist::Resolver::addMissing(const Rule &rule, const QByteArray &path)
{
    if (!rule.has(ObjectRule::Create)) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist: left out").arg(shown(path)));
        return;
    }
    // What the user creates is the user's own.
    if (!rule.forUser) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist and would be the user's own, which the rule does not allow: left out")
                 .arg(shown(path)));
        return;
    }
    const Modes granted = rule.link ? bit(ObjectRule::Create) : rule.modes;
    bool cut = false;
    QStringList parents;
    for (const QByteArray &parent : expand(parentOf(path), &cut)) {
        struct stat st {
        };
        if (stat(parent.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            continue;
        }
        const QByteArray real = canonicalDir(parent);
        if (!real.isEmpty()) {
            grant(real, 0, granted);
            parents.append(shown(real));
        }
    }
    if (parents.isEmpty()) {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist, nor does the directory it would be created in: left out").arg(shown(path)));
    } else {
        warn(QCoreApplication::translate("UserWhitelist", "%1 does not exist: its modes are granted below %2")
                 .arg(shown(path), parents.join(QLatin1String(", "))));
    }
}

// The objects a rule's path stands for. A path without "*" stands for
// itself, whether it exists or not; the caller looks.
QVector<QByteArray> UserWhitelist::Resolver::expand(const QByteArray &pattern, bool *cut)
{
    if (!pattern.contains('*')) {
        return {pattern};
    }
    QVector<QByteArray> current{QByteArray("/")};
    const QList<QByteArray> components = pattern.split('/');
    for (const QByteArray &component : components) {
        if (component.isEmpty()) {
            continue;
        }
        QVector<QByteArray> next;
        if (!component.contains('*')) {
            for (const QByteArray &dir : current) {
                next.append(joined(dir, component));
            }
        } else {
            const QByteArray wanted = fnmatchPattern(component);
            for (const QByteArray &dir : current) {
                DIR *listing = opendir(dir.constData());
                if (!listing) {
                    continue;
                }
                QVector<QByteArray> names;
                while (const dirent *entry = readdir(listing)) {
                    const QByteArray name(entry->d_name);
                    if (name == "." || name == "..") {
                        continue;
                    }
                    if (fnmatch(wanted.constData(), entry->d_name, FNM_PERIOD) == 0) {
                        names.append(name);
                    }
                }
                closedir(listing);
                // In name order, so that a cut keeps the same objects every time.
                std::sort(names.begin(), names.end());
                for (const QByteArray &name : std::as_const(names)) {
                    if (next.size() >= maxMatches) {
                        *cut = true;
                        break;
                    }
                    next.append(joined(dir, name));
                }
            }
        }
        current = next;
        if (current.isEmpty()) {
            break;
        }
    }
    return current;
}

// Only the last component is looked at on its own; the directories above
// are resolved once for all the rules that share them.
QByteArray UserWhitelist::Resolver::canonical(const QByteArray &path, const struct stat &linkStat)
{
    const int slash = path.lastIndexOf('/');
    const QByteArray name = path.mid(slash + 1);
    if (S_ISLNK(linkStat.st_mode) || name.isEmpty() || name == "." || name == "..") {
        char real[PATH_MAX];
        return realpath(path.constData(), real) ? QByteArray(real) : QByteArray();
    }
    const QByteArray dir = canonicalDir(parentOf(path));
    return dir.isEmpty() ? QByteArray() : joined(dir, name);
}

QByteArray UserWhitelist::Resolver::canonicalDir(const QByteArray &dir)
{
    const auto known = m_canonicalDirs.constFind(dir);
    if (known != m_canonicalDirs.constEnd()) {
        return known.value();
    }
    char real[PATH_MAX];
    const QByteArray resolved = realpath(dir.constData(), real) ? QByteArray(real) : QByteArray();
    m_canonicalDirs.insert(dir, resolved);
    return resolved;
}

UserWhitelist::UserWhitelist() = default;

UserWhitelist UserWhitelist::read(const QString &account, uid_t uid, const ProfileReader &reader)
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
    Resolver resolver(whitelist, uid);
    QSet<QString> seen;
    // The user profile first, then the system profiles as the includes
    // reach them; a name is entered once, so include cycles end.
    for (int next = 0; next < whitelist.m_profileFiles.size(); ++next) {
        const QString path = whitelist.m_profileFiles.at(next);
        if (next > 0 && !isRegularFile(path)) {
            whitelist.m_warnings.append(QCoreApplication::translate("UserWhitelist", "The profile %1 does not exist: nothing of it is granted").arg(path));
            continue;
        }
        ProfileData data;
        try {
            data = readProfile(path);
        } catch (const DetailsException &failure) {
            whitelist.m_warnings.append(failure.fullDetails());
            continue;
        }
        const QSet<ObjectRule> rules = data.objectRules();
        for (const ObjectRule &rule : rules) {
            resolver.add(rule);
        }
        const QSet<IncludeRule> includes = data.includes();
        for (const IncludeRule &include : includes) {
            if (seen.contains(include.name())) {
                continue;
            }
            seen.insert(include.name());
            const std::optional<SystemKiosk::Entry> system = SystemKiosk::systemEntry(include.name());
            if (!system) {
                whitelist.m_warnings.append(QCoreApplication::translate("UserWhitelist", "%1 is no profile name: the include is left out").arg(include.name()));
                continue;
            }
            whitelist.m_profileFiles.append(SystemKiosk::systemProfilesDir() + QLatin1Char('/') + system->file);
        }
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
    const Modes wanted = bit(mode);
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

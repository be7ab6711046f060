/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/safepath.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

namespace
{
// As many as the kernel follows in one path.
constexpr int maxLinks = 40;

QString tr(const char *text)
{
    return QCoreApplication::translate("SafePath", text);
}

QString shown(const QByteArray &path)
{
    return QFile::decodeName(path);
}

QByteArray joined(const QByteArray &dir, const QByteArray &name)
{
    QByteArray path = dir;
    if (!path.endsWith('/')) {
        path += '/';
    }
    return path + name;
}

QByteArray parentOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QList<QByteArray> componentsOf(const QByteArray &path)
{
    QList<QByteArray> components = path.split('/');
    components.removeAll(QByteArray());
    return components;
}

// "*" is the only wildcard: "?", "[" and "\" stand for themselves.
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

void closeFound(SafePath::Found &found)
{
    if (found.fd >= 0) {
        close(found.fd);
        found.fd = -1;
    }
    if (found.parentFd >= 0 && found.ownsParent) {
        close(found.parentFd);
    }
    found.parentFd = -1;
    found.ownsParent = false;
}
}

struct SafePath::Level {
    QByteArray component;
    int fd = -1;
    QByteArray path;
    struct stat st {
    };
};

struct SafePath::Walk {
    QByteArray pattern;
    bool followLast = true;
    int maxMatches = 0;
    int visited = 0;
    bool cut = false;
    int links = 0;
    // Below a "*" match, another account's directory is no match rather
    // than a fault of the rule.
    bool inMatch = false;
    const Visitor *visit = nullptr;
    QStringList *warnings = nullptr;

    void warn(const QString &text)
    {
        if (warnings) {
            warnings->append(text);
        }
    }
    void deliver(const Found &found)
    {
        if (visited >= maxMatches) {
            cut = true;
            return;
        }
        ++visited;
        (*visit)(found);
    }
};

SafePath::SafePath(uid_t uid)
    : m_uid(uid)
{
}

SafePath::~SafePath()
{
    truncateStack(0);
}

void SafePath::truncateStack(int size)
{
    while (int(m_stack.size()) > size) {
        close(m_stack.back().fd);
        m_stack.pop_back();
    }
}

bool SafePath::onlyRootWrites(const struct stat &dir) const
{
    return dir.st_uid == 0 && !(dir.st_mode & (S_IWGRP | S_IWOTH));
}

bool SafePath::mayHold(const struct stat &dir, const struct stat &entry) const
{
    if (dir.st_uid != 0 && dir.st_uid != m_uid) {
        return false;
    }
    const bool othersWrite = (dir.st_mode & S_IWOTH) || ((dir.st_mode & S_IWGRP) && dir.st_gid != 0);
    if (!othersWrite) {
        return true;
    }
    // In a sticky directory only an entry's owner (and the directory's)
    // may rename or remove it.
    return (dir.st_mode & S_ISVTX) && (entry.st_uid == 0 || entry.st_uid == m_uid);
}

SafePath::Step
SafePath::stepInto(Walk &walk, int dirFd, const QByteArray &dirPath, const struct stat &dirStat, const QByteArray &name, bool followLink, Found *found)
{
    *found = Found();
    if (name == "." || name == "..") {
        // Never redirected: the directory itself or its real parent.
        const int fd = openat(dirFd, name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return Step::Missing;
        }
        fstat(fd, &found->st);
        found->fd = fd;
        found->path = name == "." ? dirPath : parentOf(dirPath);
        found->parentFd = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        found->ownsParent = true;
        found->parentPath = parentOf(found->path);
        fstat(found->parentFd, &found->parentStat);
        return Step::Done;
    }
    const QByteArray path = joined(dirPath, name);
    const int fd = openat(dirFd, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            walk.warn(tr("%1 cannot be opened at %2 (%3): left out").arg(shown(walk.pattern), shown(path), QString::fromLocal8Bit(std::strerror(errno))));
            return Step::Refused;
        }
        // What the account would make there is its own.
        struct stat own {
        };
        own.st_uid = m_uid;
        if (!mayHold(dirStat, own)) {
            if (walk.inMatch && dirStat.st_uid != 0 && dirStat.st_uid != m_uid) {
                return Step::Quiet;
            }
            walk.warn(tr("%1 would be made in %2, which others than root and the user can change: left out").arg(shown(walk.pattern), shown(dirPath)));
            return Step::Refused;
        }
        found->parentFd = dirFd;
        found->parentPath = dirPath;
        found->parentStat = dirStat;
        found->path = path;
        return Step::Missing;
    }
    struct stat st {
    };
    if (fstat(fd, &st) != 0) {
        close(fd);
        return Step::Missing;
    }
    if (!mayHold(dirStat, st)) {
        close(fd);
        const bool otherAccount = (dirStat.st_uid != 0 && dirStat.st_uid != m_uid) || (st.st_uid != 0 && st.st_uid != m_uid);
        if (walk.inMatch && otherAccount) {
            return Step::Quiet;
        }
        walk.warn(otherAccount ? tr("%1 passes through %2, which another account can change: left out").arg(shown(walk.pattern), shown(path))
                               : tr("%1 passes through %2, which others than root and the user can change: left out").arg(shown(walk.pattern), shown(dirPath)));
        return Step::Refused;
    }
    if (S_ISLNK(st.st_mode) && followLink) {
        if (st.st_uid != 0 || !onlyRootWrites(dirStat)) {
            close(fd);
            walk.warn(tr("%1 passes through the link %2, which someone other than root could have placed: left out").arg(shown(walk.pattern), shown(path)));
            return Step::Refused;
        }
        return follow(walk, fd, path, dirFd, dirPath, found);
    }
    found->fd = fd;
    found->st = st;
    found->path = path;
    found->parentFd = dirFd;
    found->parentPath = dirPath;
    found->parentStat = dirStat;
    return Step::Done;
}

SafePath::Step SafePath::follow(Walk &walk, int linkFd, const QByteArray &linkPath, int dirFd, const QByteArray &dirPath, Found *found)
{
    char target[PATH_MAX];
    const ssize_t length = readlinkat(linkFd, "", target, sizeof target);
    close(linkFd);
    if (++walk.links > maxLinks || length <= 0 || length >= ssize_t(sizeof target)) {
        walk.warn(tr("%1 passes through too many links, or one that cannot be read (%2): left out").arg(shown(walk.pattern), shown(linkPath)));
        return Step::Refused;
    }
    const QByteArray text(target, int(length));
    const QList<QByteArray> components = componentsOf(text);
    if (text.startsWith('/')) {
        if (components.isEmpty()) {
            const int fd = fcntl(m_stack.front().fd, F_DUPFD_CLOEXEC, 0);
            found->fd = fd;
            found->st = m_stack.front().st;
            found->path = "/";
            found->parentFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
            found->ownsParent = true;
            found->parentPath = "/";
            found->parentStat = found->st;
            return Step::Done;
        }
        return walkRelative(walk, m_stack.front().fd, "/", components, true, found);
    }
    return walkRelative(walk, dirFd, dirPath, components, true, found);
}

SafePath::Step SafePath::walkRelative(Walk &walk, int fromFd, const QByteArray &fromPath, const QList<QByteArray> &components, bool followLast, Found *found)
{
    struct stat fromStat {
    };
    if (fstat(fromFd, &fromStat) != 0) {
        return Step::Missing;
    }
    Found current;
    current.fd = fcntl(fromFd, F_DUPFD_CLOEXEC, 0);
    current.path = fromPath;
    current.st = fromStat;
    for (int i = 0; i < components.size(); ++i) {
        const bool last = i == components.size() - 1;
        Found next;
        const Step step = stepInto(walk, current.fd, current.path, current.st, components.at(i), !last || followLast, &next);
        // The directory walked from becomes the parent the result owns.
        if (next.parentFd == current.fd && !next.ownsParent) {
            next.ownsParent = true;
            current.fd = -1;
        }
        closeFound(current);
        if (step == Step::Missing && last) {
            // A link to nothing: the place its object would be made in.
            *found = next;
            return step;
        }
        if (step != Step::Done) {
            closeFound(next);
            return step;
        }
        if (!last && !S_ISDIR(next.st.st_mode)) {
            closeFound(next);
            return Step::Missing;
        }
        current = next;
    }
    *found = current;
    return Step::Done;
}

const SafePath::Level *SafePath::prefix(Walk &walk, const QList<QByteArray> &components, int count)
{
    if (m_stack.empty()) {
        Level root;
        root.component = "/";
        root.fd = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        root.path = "/";
        if (root.fd < 0 || fstat(root.fd, &root.st) != 0) {
            if (root.fd >= 0) {
                close(root.fd);
            }
            walk.warn(tr("%1: the root directory cannot be opened: left out").arg(shown(walk.pattern)));
            return nullptr;
        }
        m_stack.push_back(root);
    }
    int kept = 1;
    while (kept < int(m_stack.size()) && kept - 1 < count && m_stack[kept].component == components.at(kept - 1)) {
        ++kept;
    }
    truncateStack(kept);
    for (int i = kept - 1; i < count; ++i) {
        const Level &top = m_stack.back();
        Found next;
        const Step step = stepInto(walk, top.fd, top.path, top.st, components.at(i), true, &next);
        if (step != Step::Done || !S_ISDIR(next.st.st_mode)) {
            closeFound(next);
            return nullptr;
        }
        if (next.ownsParent) {
            close(next.parentFd);
        }
        Level level;
        level.component = components.at(i);
        level.fd = next.fd;
        level.path = next.path;
        level.st = next.st;
        m_stack.push_back(level);
    }
    return &m_stack.back();
}

void SafePath::expand(Walk &walk, int dirFd, const QByteArray &dirPath, const struct stat &dirStat, const QList<QByteArray> &components, int index)
{
    const QByteArray &component = components.at(index);
    const bool last = index == components.size() - 1;
    if (!component.contains('*')) {
        Found found;
        const Step step = stepInto(walk, dirFd, dirPath, dirStat, component, !last || walk.followLast, &found);
        if (last && (step == Step::Done || step == Step::Missing)) {
            walk.deliver(found);
        } else if (step == Step::Done && S_ISDIR(found.st.st_mode)) {
            expand(walk, found.fd, found.path, found.st, components, index + 1);
        }
        closeFound(found);
        return;
    }

    QList<QByteArray> names;
    const int listFd = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (DIR *listing = listFd >= 0 ? fdopendir(listFd) : nullptr) {
        const QByteArray wanted = fnmatchPattern(component);
        while (const dirent *entry = readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 && fnmatch(wanted.constData(), entry->d_name, FNM_PERIOD) == 0) {
                names.append(QByteArray(entry->d_name));
            }
        }
        closedir(listing);
    } else if (listFd >= 0) {
        close(listFd);
    }
    // In name order, so that a cut keeps the same objects every time.
    std::sort(names.begin(), names.end());
    if (names.isEmpty() && last) {
        Found place;
        if (stepInto(walk, dirFd, dirPath, dirStat, component, false, &place) == Step::Missing) {
            walk.deliver(place);
        }
        closeFound(place);
        return;
    }
    const bool wasInMatch = walk.inMatch;
    for (const QByteArray &name : std::as_const(names)) {
        if (walk.cut) {
            break;
        }
        walk.inMatch = wasInMatch;
        Found found;
        const Step step = stepInto(walk, dirFd, dirPath, dirStat, name, false, &found);
        walk.inMatch = true;
        if (step == Step::Done && S_ISLNK(found.st.st_mode)) {
            // Root's own links to the libraries are matched often and left out
            // without a word; what they point to needs a rule of its own.
            if (found.st.st_uid != 0 || !onlyRootWrites(dirStat)) {
                walk.warn(tr("%1 matches the link %2, which is not followed: left out").arg(shown(walk.pattern), shown(found.path)));
            }
        } else if (step == Step::Done && last) {
            walk.deliver(found);
        } else if (step == Step::Done && S_ISDIR(found.st.st_mode)) {
            expand(walk, found.fd, found.path, found.st, components, index + 1);
        }
        closeFound(found);
    }
    walk.inMatch = wasInMatch;
}

void SafePath::resolve(const QByteArray &pattern, bool followLast, int maxMatches, const Visitor &visit, QStringList *warnings, bool *cut)
{
    Walk walk;
    walk.pattern = pattern;
    walk.followLast = followLast;
    walk.maxMatches = maxMatches;
    walk.visit = &visit;
    walk.warnings = warnings;
    const QList<QByteArray> components = componentsOf(pattern);
    int literal = 0;
    while (literal < components.size() - 1 && !components.at(literal).contains('*')) {
        ++literal;
    }
    const Level *top = prefix(walk, components, literal);
    if (top) {
        if (components.isEmpty()) {
            Found root;
            root.fd = fcntl(top->fd, F_DUPFD_CLOEXEC, 0);
            root.st = top->st;
            root.path = "/";
            root.parentFd = top->fd;
            root.parentPath = "/";
            root.parentStat = top->st;
            walk.deliver(root);
            closeFound(root);
        } else {
            // A copy: the walk below never touches the stack, but the level
            // must outlive any later growth of it.
            const Level level = *top;
            expand(walk, level.fd, level.path, level.st, components, literal);
        }
    }
    if (cut) {
        *cut = walk.cut;
    }
}

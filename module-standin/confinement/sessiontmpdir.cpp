/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "sessiontmpdir.h"

#include "systempaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Closes a descriptor when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        reset();
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    void reset(int fd = -1)
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = fd;
    }
    int get() const
    {
        return m_fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

constexpr int attempts = 5;

// A directory only root can change, or a sticky one (/tmp) whose entries
// nobody but their owner may rename or remove.
bool rootsOwn(const struct stat &st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == 0 && ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX));
}

bool rootsPrivate(const struct stat &st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool usersPrivate(const struct stat &st, uid_t uid)
{
    return S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 07777) == 0700;
}

// The directory above the session directories' parent, walked without a link.
int openAncestors(std::string *parentName, std::string *reason)
{
    const std::string path = SystemPaths::sessionTmpDir;
    Fd dir(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    size_t start = 1;
    for (;;) {
        const size_t end = path.find('/', start);
        if (end == std::string::npos) {
            *parentName = path.substr(start);
            break;
        }
        const std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty()) {
            continue;
        }
        Fd next(openat(dir.get(), component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {
        };
        if (next.get() < 0 || fstat(next.get(), &st) != 0 || !rootsOwn(st)) {
            *reason = "the directory " + path.substr(0, end) + " is not root's alone";
            return -1;
        }
        dir.reset(dup(next.get()));
    }
    const int fd = dir.get() >= 0 ? dup(dir.get()) : -1;
    if (fd < 0) {
        *reason = std::string("cannot open the directories above ") + SystemPaths::sessionTmpDir;
    }
    return fd;
}

// Moves @p name in @p dir out of the way, under a name nobody had.
bool putAside(int dir, const std::string &name)
{
    for (int i = 0; i < attempts; ++i) {
        unsigned char bytes[6];
        if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) {
            return false;
        }
        char suffix[2 * sizeof bytes + 1];
        for (size_t b = 0; b < sizeof bytes; ++b) {
            std::snprintf(suffix + 2 * b, 3, "%02x", bytes[b]);
        }
        // A leading dot, which no "*" of a rule matches: what is put aside
        // is granted nothing.
        const std::string aside = "." + name + ".moved-" + suffix;
        if (renameat2(dir, name.c_str(), dir, aside.c_str(), RENAME_NOREPLACE) == 0) {
            return true;
        }
        if (errno == ENOENT) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// @p name in @p dir as a directory @p good accepts, made when missing (and
// handed to @p make) and made again when something else is there; -1 when
// that cannot be had.
template<typename Good, typename Make>
int ensure(int dir, const std::string &name, Good good, Make make)
{
    for (int i = 0; i < attempts; ++i) {
        Fd fd(openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.get() < 0 && errno == ENOENT) {
            const bool made = mkdirat(dir, name.c_str(), 0700) == 0;
            if (!made && errno != EEXIST) {
                return -1;
            }
            // What the descriptor names is the one looked at, whatever is
            // renamed later; only one made here is given its owner and
            // mode, never one someone put there in the meantime.
            fd.reset(openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (made && fd.get() >= 0 && !make(fd.get())) {
                return -1;
            }
        }
        struct stat st {
        };
        if (fd.get() >= 0 && fstat(fd.get(), &st) == 0 && good(st)) {
            return fd.release();
        }
        // A link, a file, a directory of someone else's or open to others:
        // never followed, never removed, only moved out of the way.
        if (!putAside(dir, name)) {
            return -1;
        }
    }
    return -1;
}
}

std::string SessionTmpDir::prepare(uid_t uid, gid_t gid, std::string *reason)
{
    std::string parentName;
    Fd above(openAncestors(&parentName, reason));
    if (above.get() < 0) {
        return {};
    }
    Fd parent(ensure(above.get(), parentName, rootsPrivate, [](int fd) {
        return fchown(fd, 0, 0) == 0 && fchmod(fd, 0755) == 0;
    }));
    if (parent.get() < 0) {
        *reason = std::string("cannot make ") + SystemPaths::sessionTmpDir + ": " + std::strerror(errno);
        return {};
    }
    const std::string name = std::to_string(uid);
    Fd own(ensure(
        parent.get(),
        name,
        [uid](const struct stat &st) {
            return usersPrivate(st, uid);
        },
        [uid, gid](int fd) {
            return fchmod(fd, 0700) == 0 && fchown(fd, uid, gid) == 0;
        }));
    const std::string path = std::string(SystemPaths::sessionTmpDir) + '/' + name;
    if (own.get() < 0) {
        *reason = "cannot make " + path + ": " + std::strerror(errno);
        return {};
    }
    return path;
}

std::string SessionTmpDir::find(uid_t uid)
{
    std::string parentName;
    std::string reason;
    Fd above(openAncestors(&parentName, &reason));
    if (above.get() < 0) {
        return {};
    }
    Fd parent(openat(above.get(), parentName.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {
    };
    if (parent.get() < 0 || fstat(parent.get(), &st) != 0 || !rootsPrivate(st)) {
        return {};
    }
    const std::string name = std::to_string(uid);
    Fd own(openat(parent.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (own.get() < 0 || fstat(own.get(), &st) != 0 || !usersPrivate(st, uid)) {
        return {};
    }
    return std::string(SystemPaths::sessionTmpDir) + '/' + name;
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "landlockruleset.h"

#include "landlock.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace
{
constexpr quint64 fileRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_TRUNCATE | LANDLOCK_ACCESS_FS_IOCTL_DEV;

constexpr quint64 makeRights = LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_SYM | LANDLOCK_ACCESS_FS_MAKE_FIFO
    | LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR;

// What each ABI added of the rights used here: 2 moving between
// directories, 3 truncating, 5 device ioctls.
quint64 knownTo(int abi)
{
    quint64 known = LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE | makeRights | LANDLOCK_ACCESS_FS_MAKE_CHAR
        | LANDLOCK_ACCESS_FS_MAKE_BLOCK;
    if (abi >= 2) {
        known |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (abi >= 3) {
        known |= LANDLOCK_ACCESS_FS_TRUNCATE;
    }
    if (abi >= 5) {
        known |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
    }
    return known;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("LandlockRuleset", text);
}
}

LandlockRuleset::~LandlockRuleset()
{
    if (m_fd >= 0) {
        close(m_fd);
    }
}

int LandlockRuleset::abi()
{
    const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return version > 0 ? int(version) : 0;
}

quint64 LandlockRuleset::handledAccess(int abi)
{
    return abi > 0 ? knownTo(abi) : 0;
}

quint64 LandlockRuleset::access(UserWhitelist::Modes modes, bool beneath, int abi)
{
    quint64 rights = 0;
    if (modes & UserWhitelist::bit(ObjectRule::Read)) {
        rights |= LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_EXECUTE;
    }
    if (modes & UserWhitelist::bit(ObjectRule::Write)) {
        rights |= LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_TRUNCATE;
    }
    // A terminal or a sound card is of little use without its ioctls.
    if (modes & (UserWhitelist::bit(ObjectRule::Read) | UserWhitelist::bit(ObjectRule::Write))) {
        rights |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
    }
    if (beneath && (modes & UserWhitelist::bit(ObjectRule::Create))) {
        rights |= makeRights | LANDLOCK_ACCESS_FS_REFER;
    }
    return rights & handledAccess(abi);
}

bool LandlockRuleset::build(const QVector<UserWhitelist::Grant> &grants, QString *error, QStringList *warnings)
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_rules = 0;
    m_abi = abi();
    if (m_abi == 0) {
        *error = tr("The kernel offers no Landlock (it is not built in, or not among the security modules enabled at boot)");
        return false;
    }
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = handledAccess(m_abi);
    m_fd = int(syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0U));
    if (m_fd < 0) {
        *error = tr("Landlock refuses a ruleset: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    for (const UserWhitelist::Grant &grant : grants) {
        quint64 rights = access(grant.object, false, m_abi) | access(grant.beneath, true, m_abi);
        if (rights == 0) {
            continue;
        }
        const int object = open(grant.path.constData(), O_PATH | O_CLOEXEC);
        if (object < 0) {
            warnings->append(
                tr("%1 cannot be opened any more (%2): left out").arg(QFile::decodeName(grant.path), QString::fromLocal8Bit(std::strerror(errno))));
            continue;
        }
        landlock_path_beneath_attr rule{};
        rule.allowed_access = rights;
        rule.parent_fd = object;
        bool added = syscall(SYS_landlock_add_rule, m_fd, LANDLOCK_RULE_PATH_BENEATH, &rule, 0U) == 0;
        // Only the rights of a file go to what is no directory; a directory
        // of the whitelist may have been replaced by a file since.
        if (!added && errno == EINVAL && (rights & ~fileRights)) {
            rule.allowed_access = rights & fileRights;
            added = rule.allowed_access == 0 || syscall(SYS_landlock_add_rule, m_fd, LANDLOCK_RULE_PATH_BENEATH, &rule, 0U) == 0;
        }
        if (added) {
            ++m_rules;
        } else {
            warnings->append(
                tr("Landlock refuses the rule for %1 (%2): left out").arg(QFile::decodeName(grant.path), QString::fromLocal8Bit(std::strerror(errno))));
        }
        close(object);
    }
    return true;
}

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
    // An object not there yet: made as a file or a directory, or as a link,
    // and a file replaced by a rename, as save files are written.
    if (beneath && (modes & UserWhitelist::createFileBit)) {
        rights |= LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE;
    }
    if (beneath && (modes & UserWhitelist::createLinkBit)) {
        rights |= LANDLOCK_ACCESS_FS_MAKE_SYM | LANDLOCK_ACCESS_FS_REMOVE_FILE;
    }
    return rights & handledAccess(abi);
}

quint64 LandlockRuleset::scopes(int abi, bool abstractSockets)
{
    if (abi < 6) {
        return 0;
    }
    return LANDLOCK_SCOPE_SIGNAL | (abstractSockets ? LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET : 0);
}

bool LandlockRuleset::create(QString *error)
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
    Landlock::RulesetAttributes attributes;
    attributes.handled_access_fs = handledAccess(m_abi);
    attributes.scoped = scopes(m_abi, false);
    // A kernel before scoping is handed only the part it knows.
    const size_t size = m_abi >= 6 ? sizeof attributes : sizeof(landlock_ruleset_attr);
    m_fd = int(syscall(SYS_landlock_create_ruleset, &attributes, size, 0U));
    if (m_fd < 0) {
        *error = tr("Landlock refuses a ruleset: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

void LandlockRuleset::add(int fd, const QByteArray &path, UserWhitelist::Modes object, UserWhitelist::Modes beneath, QStringList *warnings)
{
    const quint64 rights = access(object, false, m_abi) | access(beneath, true, m_abi);
    if (m_fd < 0 || rights == 0) {
        return;
    }
    landlock_path_beneath_attr rule{};
    rule.allowed_access = rights;
    rule.parent_fd = fd;
    bool added = syscall(SYS_landlock_add_rule, m_fd, LANDLOCK_RULE_PATH_BENEATH, &rule, 0U) == 0;
    // Only the rights of a file go to what is no directory.
    if (!added && errno == EINVAL && (rights & ~fileRights)) {
        rule.allowed_access = rights & fileRights;
        added = rule.allowed_access == 0 || syscall(SYS_landlock_add_rule, m_fd, LANDLOCK_RULE_PATH_BENEATH, &rule, 0U) == 0;
    }
    if (added) {
        ++m_rules;
    } else {
        warnings->append(tr("Landlock refuses the rule for %1 (%2): left out").arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno))));
    }
}

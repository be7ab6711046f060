/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/systemkiosk.h"

#include "failures/readfileexception.h"
#include "profile/profileparser.h"
#include "protocol/helperconstants.h"
#include "store/filerecorder.h"
#include "store/fileutils.h"
#include "store/kioskdirectory.h"
#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace
{
QString fixedPath(const char *path)
{
    return QDir::cleanPath(QString::fromUtf8(path));
}

QString disabledWord()
{
    return HelperConstants::disabledPrefix;
}

// One path component that stays where it is put: not empty, no separator,
// not a step up or in place, and no NUL that would cut the path short in the
// system call.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

/**
 * True when @p path is @p dir, "/" and one plain name, spelled exactly so.
 *
 * The comparison is on the text, never on resolved paths: resolving would
 * let a link inside the tree carry a name to wherever it points, and a path
 * that needs cleaning (a/../b, a//b) is refused rather than reinterpreted,
 * since the kernel resolves ".." after links and cleaning does not.
 */
bool isEntryOf(const QString &path, const QString &dir)
{
    if (path.contains(QChar(0)) || !QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path) {
        return false;
    }
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return path.leftRef(slash) == dir && isPlainName(path.mid(slash + 1));
}

// Writing through a link would replace whatever it points at, as root.
bool isLink(const QString &path)
{
    return KioskDirectory::isLink(path);
}

// Where a user profile name leads: the enabled or the disabled directory,
// and the file name there.
struct UserEntry {
    bool disabled;
    QString file;
};

std::optional<UserEntry> parseUserName(const QString &name)
{
    const QString prefix = disabledWord() + QLatin1Char('/');
    const bool disabled = name.startsWith(prefix);
    const QString file = disabled ? name.mid(prefix.size()) : name;
    // An enabled profile called "disabled" would take the place of the
    // directory every disabled user moves into; so no account of that name
    // is ever enabled, and none is disabled either.
    if (!isPlainName(file) || file == disabledWord()) {
        return std::nullopt;
    }
    return UserEntry{disabled, file};
}

KioskDirectory userDirectory(const UserEntry &entry, KioskDirectory::Missing missing)
{
    KioskDirectory users(SystemKiosk::userProfilesDir(), missing);
    if (!entry.disabled) {
        return users;
    }
    // Through the user directory's descriptor: the disabled directory is the
    // one inside the directory just checked, whatever happens to the path.
    return KioskDirectory(users, disabledWord(), missing);
}
}

SystemKiosk::SystemKiosk() = default;

SystemKiosk::~SystemKiosk() = default;

QString SystemKiosk::systemProfilesDir()
{
    return fixedPath(SystemPaths::systemProfilesDir);
}

QString SystemKiosk::userProfilesDir()
{
    return fixedPath(SystemPaths::userProfilesDir);
}

QString SystemKiosk::disabledProfilesDir()
{
    return userProfilesDir() + QLatin1Char('/') + disabledWord();
}

std::optional<SystemKiosk::Entry> SystemKiosk::systemEntry(const QString &name)
{
    if (!isPlainName(name)) {
        return std::nullopt;
    }
    return Entry{Directory::System, name};
}

std::optional<SystemKiosk::Entry> SystemKiosk::userEntry(const QString &name)
{
    const std::optional<UserEntry> entry = parseUserName(name);
    if (!entry) {
        return std::nullopt;
    }
    return Entry{entry->disabled ? Directory::Disabled : Directory::Users, entry->file};
}

bool SystemKiosk::isValidSystemProfileName(const QString &name)
{
    return systemEntry(name).has_value();
}

bool SystemKiosk::isValidUserProfileName(const QString &name)
{
    return userEntry(name).has_value();
}

QString SystemKiosk::directoryPath(Directory directory)
{
    switch (directory) {
    case Directory::System:
        return systemProfilesDir();
    case Directory::Users:
        return userProfilesDir();
    case Directory::Disabled:
        break;
    }
    return disabledProfilesDir();
}

bool SystemKiosk::systemProfilePathIsValid(const QString &path) const
{
    return isEntryOf(path, systemProfilesDir()) && !isLink(path);
}

bool SystemKiosk::userProfilePathIsValid(const QString &path) const
{
    if (isEntryOf(path, userProfilesDir())) {
        // An enabled profile called "disabled" would take the place of the
        // directory every disabled user moves into.
        return path != disabledProfilesDir() && !isLink(path);
    }
    return isEntryOf(path, disabledProfilesDir()) && !isLink(disabledProfilesDir()) && !isLink(path);
}

QString SystemKiosk::systemProfileLink(const QString &name) const
{
    const QString path = systemProfilesDir() + QLatin1Char('/') + name;
    return isPlainName(name) && isLink(path) ? path : QString();
}

QString SystemKiosk::userProfileLink(const QString &name) const
{
    const std::optional<UserEntry> entry = parseUserName(name);
    if (!entry) {
        return QString();
    }
    if (entry->disabled && isLink(disabledProfilesDir())) {
        return disabledProfilesDir();
    }
    const QString path = userProfilesDir() + QLatin1Char('/') + name;
    return isLink(path) ? path : QString();
}

ProfileFile SystemKiosk::readProfile(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReadFileException(path, file.errorString());
    }
    QTextStream stream(&file);
    // The writer stores UTF-8 whatever the locale; a helper started with a
    // non-UTF-8 locale would otherwise read back, and save again, mangled names.
    stream.setCodec("UTF-8");
    const ProfileData data = ProfileParser::parseTextStream(stream).data();
    if (file.error() != QFileDevice::NoError) {
        throw ReadFileException(path, file.errorString());
    }
    file.close();

    ProfileFile profile(path, true);
    profile.setData(data);
    return profile;
}

QList<ProfileFile> SystemKiosk::readDirProfiles(const QString &dir) const
{
    QList<ProfileFile> profiles;
    const QFileInfoList entries = Utils::dirFiles(dir);
    profiles.reserve(entries.size());
    for (const QFileInfo &entry : entries) {
        ProfileFile profile = readProfile(entry.absoluteFilePath());
        profile.setName(entry.fileName());
        profiles.append(std::move(profile));
    }
    return profiles;
}

QList<ProfileFile> SystemKiosk::readSystemProfiles() const
{
    return readDirProfiles(systemProfilesDir());
}

QList<UserProfileFile> SystemKiosk::readUserProfiles() const
{
    const QList<ProfileFile> enabled = readDirProfiles(userProfilesDir());
    const QList<ProfileFile> disabled = readDirProfiles(disabledProfilesDir());

    QList<UserProfileFile> users;
    users.reserve(enabled.size() + disabled.size());
    for (const ProfileFile &profile : enabled) {
        users.append(UserProfileFile(profile));
    }
    for (const ProfileFile &profile : disabled) {
        UserProfileFile user(profile);
        user.setEnable(false);
        users.append(user);
    }
    return users;
}

QSet<QString> SystemKiosk::users() const
{
    QSet<QString> names;
    const QFileInfoList entries = Utils::dirFiles(userProfilesDir());
    for (const QFileInfo &entry : entries) {
        names.insert(entry.fileName());
    }
    return names;
}

void SystemKiosk::updateSystemProfile(const QString &name, const QString &text) const
{
    if (isPlainName(name)) {
        const KioskDirectory dir(systemProfilesDir());
        FileRecorder(dir, name).write(text);
    }
}

void SystemKiosk::updateUserProfile(const QString &name, const QString &text) const
{
    if (const std::optional<UserEntry> entry = parseUserName(name)) {
        const KioskDirectory dir = userDirectory(*entry, KioskDirectory::Missing::Create);
        FileRecorder(dir, entry->file).write(text);
    }
}

void SystemKiosk::renameSystemProfile(const QString &from, const QString &to) const
{
    if (isPlainName(from) && isPlainName(to)) {
        const KioskDirectory dir(systemProfilesDir());
        KioskDirectory::renameFile(dir, from, dir, to);
    }
}

void SystemKiosk::renameUserProfile(const QString &from, const QString &to) const
{
    const std::optional<UserEntry> fromEntry = parseUserName(from);
    const std::optional<UserEntry> toEntry = parseUserName(to);
    if (fromEntry && toEntry) {
        const KioskDirectory fromDir = userDirectory(*fromEntry, KioskDirectory::Missing::Leave);
        const KioskDirectory toDir = userDirectory(*toEntry, KioskDirectory::Missing::Create);
        KioskDirectory::renameFile(fromDir, fromEntry->file, toDir, toEntry->file);
    }
}

void SystemKiosk::removeSystemProfile(const QString &name) const
{
    if (isPlainName(name)) {
        KioskDirectory(systemProfilesDir(), KioskDirectory::Missing::Leave).removeFile(name);
    }
}

void SystemKiosk::removeUserProfile(const QString &name) const
{
    if (const std::optional<UserEntry> entry = parseUserName(name)) {
        userDirectory(*entry, KioskDirectory::Missing::Leave).removeFile(entry->file);
    }
}

bool SystemKiosk::fileValue(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReadFileException(path, file.errorString());
    }
    QByteArray bytes = file.readAll();
    // A switch that could not be read must not pass for one that is off.
    if (file.error() != QFileDevice::NoError) {
        throw ReadFileException(path, file.errorString());
    }
    const int nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    }
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return !lines.isEmpty() && lines.first().trimmed() != QLatin1String("0");
}

bool SystemKiosk::enforce() const
{
    return fileValue(QString::fromUtf8(SystemPaths::enforceParameter));
}

bool SystemKiosk::autoEnforce() const
{
    return fileValue(QString::fromUtf8(SystemPaths::autoEnforceFile));
}

bool SystemKiosk::complain() const
{
    return fileValue(QString::fromUtf8(SystemPaths::complainParameter));
}

bool SystemKiosk::autoComplain() const
{
    return fileValue(QString::fromUtf8(SystemPaths::autoComplainFile));
}

void SystemKiosk::enableEnforce(bool on) const
{
    FileRecorder(QString::fromUtf8(SystemPaths::enforceParameter)).writeInPlace(on);
}

void SystemKiosk::enableAutoEnforce(bool on) const
{
    FileRecorder(QString::fromUtf8(SystemPaths::autoEnforceFile)).write(on);
}

void SystemKiosk::enableComplain(bool on) const
{
    FileRecorder(QString::fromUtf8(SystemPaths::complainParameter)).writeInPlace(on);
}

void SystemKiosk::enableAutoComplain(bool on) const
{
    FileRecorder(QString::fromUtf8(SystemPaths::autoComplainFile)).write(on);
}

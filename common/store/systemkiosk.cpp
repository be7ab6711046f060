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

#include <QCoreApplication>
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

// Where a compiled path lies in a kiosk whose @p base stands for the
// compiled @p compiledBase; no base leaves no path.
QString moved(const QString &base, const char *compiledBase, const char *compiledPath)
{
    if (base.isEmpty()) {
        return QString();
    }
    return base + QLatin1Char('/') + QDir(fixedPath(compiledBase)).relativeFilePath(fixedPath(compiledPath));
}

QString cleanDir(const QString &dir)
{
    return dir.isEmpty() ? QString() : QDir::cleanPath(QDir(dir).absolutePath());
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

// Where a user profile name leads: the enabled or the disabled directory,
// and the file name there.
struct UserEntry {
    bool disabled;
    QString file;
};

std::optional<UserEntry> parseUserName(const QString &name)
{
    bool enabled = true;
    const QString file = SystemKiosk::accountOfUserEntry(name, &enabled);
    const bool disabled = !enabled;
    // An enabled profile called "disabled" would take the place of the
    // directory every disabled user moves into; so no account of that name
    // is ever enabled, and none is disabled either.
    if (!isPlainName(file) || file == disabledWord()) {
        return std::nullopt;
    }
    return UserEntry{disabled, file};
}

KioskDirectory userDirectory(const QString &usersDir, const UserEntry &entry, KioskDirectory::Missing missing)
{
    KioskDirectory users(usersDir, missing);
    if (!entry.disabled) {
        return users;
    }
    // Through the user directory's descriptor: the disabled directory is the
    // one inside the directory just checked, whatever happens to the path.
    return KioskDirectory(users, disabledWord(), missing);
}
}

SystemKiosk::SystemKiosk(const QString &root)
    : SystemKiosk(Utils::pathBelowRoot(root, SystemPaths::kioskTreeDir), Utils::pathBelowRoot(root, SystemPaths::moduleParametersDir))
{
}

SystemKiosk SystemKiosk::ofTree(const QString &treeDir)
{
    return SystemKiosk(treeDir, QString());
}

SystemKiosk::SystemKiosk(const QString &treeDir, const QString &moduleParametersDir)
    : m_treeDir(cleanDir(treeDir))
    , m_moduleParametersDir(cleanDir(moduleParametersDir))
    , m_systemDir(moved(m_treeDir, SystemPaths::kioskTreeDir, SystemPaths::systemProfilesDir))
    , m_usersDir(moved(m_treeDir, SystemPaths::kioskTreeDir, SystemPaths::userProfilesDir))
    , m_disabledDir(m_usersDir.isEmpty() ? QString() : m_usersDir + QLatin1Char('/') + disabledWord())
{
}

SystemKiosk::~SystemKiosk() = default;

QString SystemKiosk::systemProfilesDir()
{
    return directoryPath(Directory::System);
}

QString SystemKiosk::userProfilesDir()
{
    return directoryPath(Directory::Users);
}

QString SystemKiosk::disabledProfilesDir()
{
    return directoryPath(Directory::Disabled);
}

QString SystemKiosk::treeDir() const
{
    return m_treeDir;
}

QString SystemKiosk::path(Directory directory) const
{
    switch (directory) {
    case Directory::System:
        return m_systemDir;
    case Directory::Users:
        break;
    case Directory::Disabled:
        return m_disabledDir;
    }
    return m_usersDir;
}

QString SystemKiosk::switchPath(Switch which) const
{
    switch (which) {
    case Switch::Enforce:
        return moved(m_moduleParametersDir, SystemPaths::moduleParametersDir, SystemPaths::enforceParameter);
    case Switch::Complain:
        return moved(m_moduleParametersDir, SystemPaths::moduleParametersDir, SystemPaths::complainParameter);
    case Switch::AutoEnforce:
        return moved(m_treeDir, SystemPaths::kioskTreeDir, SystemPaths::autoEnforceFile);
    case Switch::AutoComplain:
        break;
    }
    return moved(m_treeDir, SystemPaths::kioskTreeDir, SystemPaths::autoComplainFile);
}

QString SystemKiosk::userEntryName(const QString &account, bool enabled)
{
    return enabled ? account : disabledWord() + QLatin1Char('/') + account;
}

QString SystemKiosk::entryName(const Entry &entry)
{
    return userEntryName(entry.file, entry.directory != Directory::Disabled);
}

QString SystemKiosk::accountOfUserEntry(const QString &name, bool *enabled)
{
    const QString prefix = disabledWord() + QLatin1Char('/');
    const bool disabled = name.startsWith(prefix);
    if (enabled) {
        *enabled = !disabled;
    }
    return disabled ? name.mid(prefix.size()) : name;
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
    static const SystemKiosk system;
    return system.path(directory);
}

// Writing through a link would replace whatever it points at, as root.
bool SystemKiosk::systemProfilePathIsValid(const QString &entryPath) const
{
    return isEntryOf(entryPath, path(Directory::System)) && !KioskDirectory::isLink(entryPath);
}

bool SystemKiosk::userProfilePathIsValid(const QString &entryPath) const
{
    if (isEntryOf(entryPath, path(Directory::Users))) {
        // An enabled profile called "disabled" would take the place of the
        // directory every disabled user moves into.
        return entryPath != path(Directory::Disabled) && !KioskDirectory::isLink(entryPath);
    }
    return isEntryOf(entryPath, path(Directory::Disabled)) && !KioskDirectory::isLink(path(Directory::Disabled)) && !KioskDirectory::isLink(entryPath);
}

QString SystemKiosk::systemProfileLink(const QString &name) const
{
    const QString entryPath = path(Directory::System) + QLatin1Char('/') + name;
    return isPlainName(name) && KioskDirectory::isLink(entryPath) ? entryPath : QString();
}

QString SystemKiosk::userProfileLink(const QString &name) const
{
    const std::optional<UserEntry> entry = parseUserName(name);
    if (!entry) {
        return QString();
    }
    if (entry->disabled && KioskDirectory::isLink(path(Directory::Disabled))) {
        return path(Directory::Disabled);
    }
    const QString entryPath = path(Directory::Users) + QLatin1Char('/') + name;
    return KioskDirectory::isLink(entryPath) ? entryPath : QString();
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

QMap<QString, QByteArray> SystemKiosk::profileTexts(Directory directory) const
{
    QMap<QString, QByteArray> texts;
    const QFileInfoList entries = Utils::dirFiles(path(directory));
    for (const QFileInfo &entry : entries) {
        texts.insert(entry.fileName(), Utils::readFile(entry.absoluteFilePath()));
    }
    return texts;
}

QList<ProfileFile> SystemKiosk::readSystemProfiles() const
{
    return readDirProfiles(path(Directory::System));
}

QList<UserProfileFile> SystemKiosk::readUserProfiles() const
{
    const QList<ProfileFile> enabled = readDirProfiles(path(Directory::Users));
    const QList<ProfileFile> disabled = readDirProfiles(path(Directory::Disabled));

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
    const QFileInfoList entries = Utils::dirFiles(path(Directory::Users));
    for (const QFileInfo &entry : entries) {
        names.insert(entry.fileName());
    }
    return names;
}

void SystemKiosk::updateSystemProfile(const QString &name, const QString &text) const
{
    if (isPlainName(name)) {
        const KioskDirectory dir(path(Directory::System));
        FileRecorder(dir, name).write(text);
    }
}

void SystemKiosk::updateUserProfile(const QString &name, const QString &text) const
{
    if (const std::optional<UserEntry> entry = parseUserName(name)) {
        const KioskDirectory dir = userDirectory(path(Directory::Users), *entry, KioskDirectory::Missing::Create);
        FileRecorder(dir, entry->file).write(text);
    }
}

void SystemKiosk::renameSystemProfile(const QString &from, const QString &to) const
{
    if (isPlainName(from) && isPlainName(to)) {
        const KioskDirectory dir(path(Directory::System));
        KioskDirectory::renameFile(dir, from, dir, to);
    }
}

void SystemKiosk::renameUserProfile(const QString &from, const QString &to) const
{
    const std::optional<UserEntry> fromEntry = parseUserName(from);
    const std::optional<UserEntry> toEntry = parseUserName(to);
    if (fromEntry && toEntry) {
        const KioskDirectory fromDir = userDirectory(path(Directory::Users), *fromEntry, KioskDirectory::Missing::Leave);
        const KioskDirectory toDir = userDirectory(path(Directory::Users), *toEntry, KioskDirectory::Missing::Create);
        KioskDirectory::renameFile(fromDir, fromEntry->file, toDir, toEntry->file);
    }
}

void SystemKiosk::removeSystemProfile(const QString &name) const
{
    if (isPlainName(name)) {
        KioskDirectory(path(Directory::System), KioskDirectory::Missing::Leave).removeFile(name);
    }
}

void SystemKiosk::removeUserProfile(const QString &name) const
{
    if (const std::optional<UserEntry> entry = parseUserName(name)) {
        userDirectory(path(Directory::Users), *entry, KioskDirectory::Missing::Leave).removeFile(entry->file);
    }
}

bool SystemKiosk::fileValue(const QString &path) const
{
    // A kiosk given without the module's parameters has no "now" switches.
    if (path.isEmpty()) {
        throw ReadFileException(path, QCoreApplication::translate("SystemKiosk", "The module is not loaded"));
    }
    // A switch that could not be read must not pass for one that is off.
    const QByteArray bytes = Utils::readFile(path);
    const int nul = bytes.indexOf('\0');
    const QStringList lines = QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return !lines.isEmpty() && lines.first().trimmed() != QLatin1String("0");
}

bool SystemKiosk::enforce() const
{
    return fileValue(switchPath(Switch::Enforce));
}

bool SystemKiosk::autoEnforce() const
{
    return fileValue(switchPath(Switch::AutoEnforce));
}

bool SystemKiosk::complain() const
{
    return fileValue(switchPath(Switch::Complain));
}

bool SystemKiosk::autoComplain() const
{
    return fileValue(switchPath(Switch::AutoComplain));
}

void SystemKiosk::enableEnforce(bool on) const
{
    FileRecorder(switchPath(Switch::Enforce)).writeInPlace(on);
}

void SystemKiosk::enableAutoEnforce(bool on) const
{
    FileRecorder(switchPath(Switch::AutoEnforce)).write(on);
}

void SystemKiosk::enableComplain(bool on) const
{
    FileRecorder(switchPath(Switch::Complain)).writeInPlace(on);
}

void SystemKiosk::enableAutoComplain(bool on) const
{
    FileRecorder(switchPath(Switch::AutoComplain)).write(on);
}

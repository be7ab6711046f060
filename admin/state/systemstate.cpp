/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/systemstate.h"

#include "desktop/micdetect.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include "failures/detailsexception.h"
#include "profile/kioskstatuses.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/helperstart.h"
#include "protocol/kauthjob.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"
#include "system/accountdirectory.h"
#include "system/user.h"

#include <KAuth/ExecuteJob>

#include <QApplication>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace
{
// The entry a user state was read from; empty for a user not on disk yet.
QString loadedUserKey(const UserState *user)
{
    return user->loadedName().isEmpty() ? QString() : SystemKiosk::userEntryName(user->loadedName(), user->wasEnabled());
}

KAuth::ExecuteJob *actionJob(const QString &actionId, const QVariantMap &arguments)
{
    // The authorisation dialog belongs to whatever window asked.
    return Utils::helperAction(actionId, HelperActionsMap(arguments), QApplication::activeWindow()).execute();
}

// Update, enable and snapshots.
bool executeAction(const QString &actionId, const HelperActionsMap &arguments, QVariantMap *reply = nullptr)
{
    return Utils::runHelperAction(actionId, arguments, reply, QApplication::activeWindow());
}

KAuth::ExecuteJob *globalTraceJob()
{
    GlobalTraceActionsMap map(HelperActionsMap::programLocale());
    map.enableGlobalRecordMode(true);
    return actionJob(HelperConstants::globalTraceActionId, map);
}

// The collector writes UTF-8, whatever the locale of either process.
QString recordedText(const QVariant &value)
{
    return value.userType() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()) : value.toString();
}

QString serialized(const AbstractProfileState *state)
{
    return ProfileParser::profileDataSerialization(state->file()->data());
}

KioskModes readSwitches(const SystemKiosk &kiosk)
{
    KioskModes modes;
    modes.enforce = kiosk.enforce();
    modes.autoEnforce = kiosk.autoEnforce();
    modes.complain = kiosk.complain();
    return modes;
}

template<typename File, typename T>
QVector<const File *> filesOf(const QSet<T *> &states)
{
    QVector<const File *> files;
    files.reserve(states.size());
    for (const T *state : states) {
        files.append(static_cast<const File *>(state->file()));
    }
    return files;
}

template<typename T>
void deleteAll(QSet<T *> &states)
{
    qDeleteAll(states);
    states.clear();
}
}

SystemState::SystemState(QObject *parent)
    : State(parent)
    , m_kiosk(std::make_unique<SystemKiosk>())
    , m_accounts(std::make_unique<AccountDirectory>())
{
}

SystemState::~SystemState()
{
    clearRemoved();
    deleteAll(m_users);
    deleteAll(m_profiles);
}

void SystemState::clearRemoved()
{
    deleteAll(m_removedUsers);
    deleteAll(m_removedProfiles);
}

void SystemState::reload()
{
    Utils::putInterruptedSaveInOrder();
    // Everything is read before anything is replaced, so a failure to read
    // leaves the working copy, with its unsaved changes, as it was.
    const KioskModes modes = readSwitches(*m_kiosk);
    const QList<UserProfileFile> userFiles = m_kiosk->readUserProfiles();
    const QList<ProfileFile> profileFiles = m_kiosk->readSystemProfiles();

    clearRemoved();
    m_modes = modes;

    deleteAll(m_users);
    QSet<QString> userNames;
    for (const UserProfileFile &file : userFiles) {
        // A user found enabled and disabled alike is the enabled one.
        if (!file.isEnable() && userNames.contains(file.name())) {
            continue;
        }
        userNames.insert(file.name());
        auto *user = new UserState(file, this);
        m_users.insert(user);
        connect(user, &State::wasChanged, this, &SystemState::stateChanged);
    }

    deleteAll(m_profiles);
    for (const ProfileFile &file : profileFiles) {
        auto *profile = new ProfileState(file, this);
        m_profiles.insert(profile);
        connect(profile, &State::wasChanged, this, &SystemState::stateChanged);
    }

    m_accounts = std::make_unique<AccountDirectory>();
    m_readOnlyInfo = ReadOnlyInfo();
    if (!MICDetect::isCurrentProcessHasMaxMIC()) {
        m_readOnlyInfo.readOnly = true;
        m_readOnlyInfo.reasons.insert(ReadOnlyInfo::ReasonNoMaxIntegrity);
    }

    updateAllStatuses();
    setChanged(false);
}

QSet<UserState *> SystemState::users() const
{
    return m_users;
}

QSet<UserState *> SystemState::removedUsers() const
{
    return m_removedUsers;
}

QSet<ProfileState *> SystemState::profiles() const
{
    return m_profiles;
}

QSet<ProfileState *> SystemState::removedProfiles() const
{
    return m_removedProfiles;
}

void SystemState::addUser(UserState *user)
{
    user->setParent(this);
    m_users.insert(user);
    connect(user, &State::wasChanged, this, &SystemState::stateChanged, Qt::UniqueConnection);
    user->setChanged(true);
    setChanged(true);
}

void SystemState::removeUser(UserState *user)
{
    if (!m_users.remove(user)) {
        return;
    }
    m_removedUsers.insert(user);
    setChanged(true);
}

void SystemState::addProfile(ProfileState *profile)
{
    profile->setParent(this);
    m_profiles.insert(profile);
    connect(profile, &State::wasChanged, this, &SystemState::stateChanged);
    profile->setChanged(true);
}

void SystemState::removeProfile(ProfileState *profile)
{
    if (!m_profiles.remove(profile)) {
        return;
    }
    m_removedProfiles.insert(profile);
    setChanged(true);
}

bool SystemState::hasProfile(const QString &name) const
{
    return std::any_of(m_profiles.cbegin(), m_profiles.cend(), [&name](const ProfileState *profile) {
        return profile->name() == name;
    });
}

QList<AbstractProfileState *> SystemState::includersOf(const QString &name) const
{
    QList<AbstractProfileState *> found;
    for (UserState *user : m_users) {
        if (user->includes(name)) {
            found << user;
        }
    }
    for (ProfileState *profile : m_profiles) {
        if (profile->name() != name && profile->includes(name)) {
            found << profile;
        }
    }
    std::sort(found.begin(), found.end(), [](const AbstractProfileState *a, const AbstractProfileState *b) {
        return a->name() < b->name();
    });
    return found;
}

void SystemState::renameIncludes(const QString &oldName, const QString &newName)
{
    const auto rewrite = [&](AbstractProfileState *state) {
        if (state->includes(oldName)) {
            state->removeIncludeRule(oldName);
            state->addIncludeRule(newName);
        }
    };
    std::for_each(m_profiles.cbegin(), m_profiles.cend(), rewrite);
    std::for_each(m_users.cbegin(), m_users.cend(), rewrite);
}

bool SystemState::replaceProfile(ProfileState *profile, const ProfileFile &file)
{
    const bool hadStatus = !profile->status().isEmpty();
    const bool renamed = profile->name() != file.name();
    profile->setProfileFile(file);
    updateStatus(profile, QStringList());
    profile->setChanged(true);
    if (!renamed && !hadStatus && profile->status().isEmpty()) {
        return false;
    }
    updateAllStatuses();
    return true;
}

bool SystemState::hasEnabledUsers() const
{
    return std::any_of(m_users.cbegin(), m_users.cend(), [](const UserState *user) {
        return user->isEnable();
    });
}

bool SystemState::needsReboot() const
{
    return !m_removedUsers.isEmpty() || std::any_of(m_users.cbegin(), m_users.cend(), [](const UserState *user) {
               return user->wasEnabled() && !user->isEnable();
           });
}

QList<UserState *> SystemState::usersWithErrors(bool changedOnly) const
{
    QList<UserState *> found;
    for (UserState *user : m_users) {
        if (user->isEnable() && !user->status().isEmpty() && (!changedOnly || user->isChanged())) {
            found << user;
        }
    }
    std::sort(found.begin(), found.end(), [](const UserState *a, const UserState *b) {
        return a->name() < b->name();
    });
    return found;
}

void SystemState::readModes()
{
    m_modes = readSwitches(*m_kiosk);
}

KioskModes SystemState::modes() const
{
    return m_modes;
}

ReadOnlyInfo SystemState::readOnlyInfo() const
{
    return m_readOnlyInfo;
}

KioskStatuses SystemState::statuses(Accounts accounts, const UserState *alsoUser) const
{
    KioskStatuses::AccountCheck accountExists;
    AccountDirectory *directory = m_accounts.get();
    if (accounts == Accounts::AtLoad) {
        accountExists = [directory](const QString &name) {
            return directory->exists(name);
        };
    } else if (accounts == Accounts::Now) {
        accountExists = [directory, alsoUser](const QString &name) {
            return alsoUser && name == alsoUser->name() ? directory->existsNow(name) : directory->exists(name);
        };
    }
    QVector<const UserProfileFile *> users = filesOf<UserProfileFile>(m_users);
    if (alsoUser && !m_users.contains(const_cast<UserState *>(alsoUser))) {
        users.append(alsoUser->userFile());
    }
    return KioskStatuses(filesOf<ProfileFile>(m_profiles), users, accountExists);
}

void SystemState::updateComputed(AbstractProfileState *root, KioskStatuses &statuses)
{
    for (ProfileState *profile : std::as_const(m_profiles)) {
        if (profile != root && statuses.isComputed(profile->file())) {
            profile->setStatus(statuses.status(profile->file()));
        }
    }
}

void SystemState::updateStatus(AbstractProfileState *state, const QStringList &visited)
{
    KioskStatuses statuses = this->statuses(Accounts::None);
    for (ProfileState *profile : std::as_const(m_profiles)) {
        if (profile != state && visited.contains(profile->name())) {
            statuses.keep(profile->file(), profile->status());
        }
    }
    state->setStatus(statuses.status(state->file()));
    // A user outside the working copy is computed as a profile; its own codes are its own.
    state->updateOwnStatus();
    updateComputed(state, statuses);
}

void SystemState::updateUserStatus(UserState *user)
{
    // The user being worked on is told the truth about its account at once.
    KioskStatuses statuses = this->statuses(Accounts::Now, user);
    user->setStatus(statuses.status(user->file()));
    updateComputed(user, statuses);
}

void SystemState::updateAllStatuses()
{
    KioskStatuses statuses = this->statuses(Accounts::AtLoad);
    for (ProfileState *profile : std::as_const(m_profiles)) {
        profile->setStatus(statuses.status(profile->file()));
    }
    for (UserState *user : std::as_const(m_users)) {
        user->setStatus(statuses.status(user->file()));
    }
}

QString SystemState::numberedProfileName(const QString &userName, const QString &kind) const
{
    // Escaped: a '.' or '$' in an account name must match only itself.
    const QRegularExpression pattern(QStringLiteral("^%1_%2_(?P<number>\\d+)$").arg(QRegularExpression::escape(userName), kind));
    qulonglong highest = 0;
    QSet<QString> taken;
    for (const ProfileState *profile : std::as_const(m_profiles)) {
        taken.insert(profile->name());
        const QRegularExpressionMatch match = pattern.match(profile->name());
        if (match.hasMatch()) {
            highest = std::max(highest, match.captured(QStringLiteral("number")).toULongLong());
        }
    }
    // A number with leading zeros matches the pattern without being the
    // name that the next number gives, so taken names are skipped as well.
    QString name;
    do {
        name = userName + QLatin1Char('_') + kind + QLatin1Char('_') + QString::number(++highest);
    } while (taken.contains(name));
    return name;
}

void SystemState::extractUserRules(UserState *user)
{
    const QString newName = numberedProfileName(user->name(), QStringLiteral("extra"));

    ProfileFile extra(newName, false);
    const QSet<ObjectRule> rules = user->file()->data().objectRules();
    for (const ObjectRule &rule : rules) {
        extra.data().insertObjectRule(rule);
    }

    ProfileFile userFile = *user->file();
    userFile.data().removeAllObjectRules();
    userFile.data().insertIncludeRule(IncludeRule(newName));
    user->setProfileFile(userFile);

    addProfile(new ProfileState(extra));
}

UpdateActionsMap SystemState::buildUpdateActionsMap() const
{
    QMap<QString, QString> usersToRename;
    QMap<QString, QString> usersToUpdate;
    QStringList usersToRemove;
    for (const UserState *user : std::as_const(m_users)) {
        if (!user->isChanged() || user->name().isEmpty()) {
            continue;
        }
        const QString current = SystemKiosk::userEntryName(user->name(), user->isEnable());
        const QString atLoad = loadedUserKey(user);
        if (!atLoad.isEmpty() && atLoad != current) {
            usersToRename.insert(atLoad, current);
        }
        usersToUpdate.insert(current, serialized(user));
    }
    // The file to delete is the one read at load: a state renamed in memory
    // still has its old file on disk, and a state never saved has none.
    for (const UserState *user : std::as_const(m_removedUsers)) {
        const QString atLoad = loadedUserKey(user);
        if (!atLoad.isEmpty() && !usersToUpdate.contains(atLoad) && !usersToRename.contains(atLoad)) {
            usersToRemove.append(atLoad);
        }
    }

    QMap<QString, QString> profilesToRename;
    QMap<QString, QString> profilesToUpdate;
    QStringList profilesToRemove;
    for (const ProfileState *profile : std::as_const(m_profiles)) {
        if (!profile->isChanged()) {
            continue;
        }
        if (!profile->loadedName().isEmpty() && profile->loadedName() != profile->name()) {
            profilesToRename.insert(profile->loadedName(), profile->name());
        }
        profilesToUpdate.insert(profile->name(), serialized(profile));
    }
    for (const ProfileState *profile : std::as_const(m_removedProfiles)) {
        const QString atLoad = profile->loadedName();
        if (!atLoad.isEmpty() && !profilesToUpdate.contains(atLoad) && !profilesToRename.contains(atLoad)) {
            profilesToRemove.append(atLoad);
        }
    }

    UpdateActionsMap map(HelperActionsMap::programLocale());
    map.setUsersToRename(usersToRename);
    map.setUsersToUpdate(usersToUpdate);
    map.setUsersToRemove(usersToRemove);
    map.setProfilesToRename(profilesToRename);
    map.setProfilesToUpdate(profilesToUpdate);
    map.setProfilesToRemove(profilesToRemove);
    return map;
}

bool SystemState::save()
{
    return save(buildUpdateActionsMap());
}

bool SystemState::save(const UpdateActionsMap &map)
{
    return executeAction(HelperConstants::updateActionId, map);
}

bool SystemState::setKioskMode(bool on, QStringList *warnings)
{
    EnableActionsMap map(HelperActionsMap::programLocale());
    map.enableEnforce(on);
    map.enableAutoEnforce(on);
    QVariantMap reply;
    const bool done = executeAction(HelperConstants::enableActionId, map, &reply);
    if (warnings) {
        warnings->append(HelperActionsMap::warningsFromReply(reply));
    }
    return done;
}

QList<SnapshotsActionsMap::Entry> SystemState::snapshots()
{
    QVariantMap reply;
    if (!executeAction(HelperConstants::snapshotsActionId, SnapshotsActionsMap(HelperActionsMap::programLocale()), &reply)) {
        return {};
    }
    return SnapshotsActionsMap::entriesFromReply(reply);
}

UpdateActionsMap SystemState::snapshotPreview(const QString &id)
{
    SnapshotsActionsMap map(HelperActionsMap::programLocale());
    map.setPreview(id);
    QVariantMap reply;
    executeAction(HelperConstants::snapshotsActionId, map, &reply);
    return UpdateActionsMap(SnapshotsActionsMap::previewFromReply(reply));
}

bool SystemState::restoreSnapshot(const QString &id)
{
    SnapshotsActionsMap map(HelperActionsMap::programLocale());
    map.setRestore(id);
    return executeAction(HelperConstants::snapshotsActionId, map);
}

SystemState::RecordStart SystemState::startGlobalRecord()
{
    KAuth::ExecuteJob *job = globalTraceJob();
    // Kept until it is known whether the job ended: a recording that runs
    // keeps its job open, one that ended by itself before hands over its result.
    job->setAutoDelete(false);
    bool finished = false;
    connect(job, &KJob::finished, this, [&finished] {
        finished = true;
    });
    bool started = false;
    try {
        started = Utils::startKAuthJob(job, HelperConstants::globalModeEnableKey);
    } catch (...) {
        job->deleteLater();
        throw;
    }
    job->disconnect(this);
    if (!finished) {
        job->setAutoDelete(true);
        return started ? RecordStart::Started : RecordStart::Refused;
    }
    const QVariantMap data = job->data();
    job->deleteLater();
    if (!started) {
        return RecordStart::Refused;
    }
    m_unclaimedRecord = data;
    return RecordStart::Unclaimed;
}

GlobalRecordResult SystemState::completeUnclaimedRecord(bool ignoreData)
{
    const QVariantMap data = m_unclaimedRecord;
    m_unclaimedRecord.clear();
    return recordResult(data, ignoreData);
}

GlobalRecordResult SystemState::stopGlobalRecord(bool ignoreData)
{
    const std::unique_ptr<KAuth::ExecuteJob> job(globalTraceJob());
    job->setAutoDelete(false);
    if (!Utils::stopKAuthAction(job.get())) {
        return GlobalRecordResult();
    }
    return recordResult(job->data(), ignoreData);
}

GlobalRecordResult SystemState::recordResult(const QVariantMap &data, bool ignoreData)
{
    GlobalRecordResult result;
    result.done = true;
    result.warnings << GlobalTraceActionsMap::warningsFromReply(data);

    try {
        reload();
    } catch (const DetailsException &e) {
        // The recorded texts exist nowhere else any more: they go into the
        // working copy as it is.
        result.reloadError = e.fullDetails();
    }
    if (!ignoreData) {
        addRecordedProfiles(GlobalTraceActionsMap::textsFromReply(data), result);
    }
    return result;
}

void SystemState::addRecordedProfiles(const QVariantMap &recorded, GlobalRecordResult &result)
{
    for (auto it = recorded.cbegin(); it != recorded.cend(); ++it) {
        const QString userName = it.key();
        // The name becomes part of file names; the helper would refuse the save.
        if (!User::isValidName(userName)) {
            continue;
        }
        const QString text = recordedText(it.value());
        const QSet<ObjectRule> rules = ProfileParser::recordedObjectRules(text);
        if (rules.isEmpty()) {
            continue;
        }
        const QString name = numberedProfileName(userName, QStringLiteral("global_record"));
        ProfileFile file(name, false);
        for (const ObjectRule &rule : rules) {
            file.data().insertObjectRule(rule);
        }
        // The base profiles the recorded rules rest on, as far as they are here.
        const QSet<IncludeRule> includes = ProfileParser::parseText(text).data().includes();
        for (const IncludeRule &include : includes) {
            if (hasProfile(include.name())) {
                file.data().insertIncludeRule(include);
            }
        }
        auto *profile = new ProfileState(file);
        addProfile(profile);
        updateStatus(profile, QStringList());
        result.createdProfiles << name;

        const bool hasUser = std::any_of(m_users.cbegin(), m_users.cend(), [&userName](const UserState *user) {
            return user->name() == userName;
        });
        if (!hasUser) {
            UserProfileFile userFile(userName, false);
            userFile.setEnable(true);
            userFile.data().insertIncludeRule(IncludeRule(name));
            auto *user = new UserState(userFile);
            addUser(user);
            updateUserStatus(user);
        }
    }
    if (!result.createdProfiles.isEmpty()) {
        setChanged(true);
    }
}

bool SystemState::leaveTraceMode()
{
    EnableActionsMap map(HelperActionsMap::programLocale());
    map.enableComplain(false);
    map.enableAutoComplain(false);
    return executeAction(HelperConstants::enableActionId, map);
}

void SystemState::stateChanged(bool changed)
{
    Q_UNUSED(changed)
    setChanged(true);
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SYSTEMSTATE_H
#define ORLA_SYSTEMSTATE_H

#include "state/globalrecordresult.h"
#include "state/kioskmodes.h"
#include "state/readonlyinfo.h"
#include "state/state.h"

#include "protocol/snapshotsactionsmap.h"
#include "protocol/updateactionsmap.h"

#include <QSet>
#include <QStringList>

#include <memory>

class AbstractProfileState;
class AccountDirectory;
class KioskStatuses;
class ProfileFile;
class ProfileState;
class UserState;
class SystemKiosk;

/**
 * The administrator's working copy of the whole kiosk configuration.
 *
 * Owns one state per kiosk user and per system profile, including removed
 * ones until the next reload. Nothing here writes to the system: saving and
 * switching kiosk mode go to the privileged helper as actions.
 */
class SystemState : public State
{
    Q_OBJECT
public:
    explicit SystemState(QObject *parent = nullptr);
    ~SystemState() override;

    /**
     * Reads every user profile, system profile and switch again and
     * recomputes all statuses. Every state is rebuilt, so pointers taken
     * before are invalid afterwards.
     *
     * Throws the DetailsException of the first file that cannot be read; the
     * working copy is then left exactly as it was.
     */
    void reload();

    QSet<UserState *> users() const;
    QSet<UserState *> removedUsers() const;
    QSet<ProfileState *> profiles() const;
    QSet<ProfileState *> removedProfiles() const;

    // Takes ownership.
    void addUser(UserState *user);
    void removeUser(UserState *user);
    // Takes ownership.
    void addProfile(ProfileState *profile);
    void removeProfile(ProfileState *profile);

    bool hasProfile(const QString &name) const;
    /**
     * The users and profiles that include @p name, sorted by name. A
     * profile that includes itself is not among them.
     */
    QList<AbstractProfileState *> includersOf(const QString &name) const;
    // Every user and profile that includes @p oldName includes @p newName instead.
    void renameIncludes(const QString &oldName, const QString &newName);
    /**
     * @p profile, changed, becomes @p file. True when every status was
     * computed again: a rename, or an error of the profile that came or
     * went, shows in whoever includes it.
     */
    bool replaceProfile(ProfileState *profile, const ProfileFile &file);

    bool hasEnabledUsers() const;
    // Saving takes effect only after a reboot: a kiosk user is removed or disabled.
    bool needsReboot() const;
    // Enabled users with a non-empty status, sorted by name.
    QList<UserState *> usersWithErrors(bool changedOnly) const;

    // Throws ReadFileException when a switch cannot be read.
    void readModes();
    KioskModes modes() const;
    ReadOnlyInfo readOnlyInfo() const;

    /**
     * Computes the status of @p state and, first, of every profile it
     * includes directly or not. Profiles named in @p visited keep the status
     * they have.
     */
    void updateStatus(AbstractProfileState *state, const QStringList &visited);
    void updateUserStatus(UserState *user);
    void updateAllStatuses();

    // Moves the user's own object rules into a new profile that the user includes.
    void extractUserRules(UserState *user);

    /**
     * The update action's arguments for every unsaved change: renames for
     * renamed, enabled and disabled entries, whole texts for changed ones,
     * removals for removed ones. The locale is taken from LANG.
     */
    UpdateActionsMap buildUpdateActionsMap() const;

    /**
     * Sends every unsaved change to the helper. True on success, false when
     * the authorisation was refused; any other failure throws KAuthException.
     * The working copy is not changed either way.
     */
    bool save();
    // Sends @p map, one buildUpdateActionsMap() made; results as save().
    static bool save(const UpdateActionsMap &map);

    // Switches enforcing now and after reboot together; results as save().
    // @p warnings, when given, gets what the helper says beside: kiosk
    // users' processes that still run unconfined.
    static bool setKioskMode(bool on, QStringList *warnings = nullptr);

    /**
     * The earlier configurations the helper keeps, newest first; what
     * restoring one would send; restoring one. The first two throw
     * KAuthException also when the authorisation is refused.
     */
    static QList<SnapshotsActionsMap::Entry> snapshots();
    static UpdateActionsMap snapshotPreview(const QString &id);
    static bool restoreSnapshot(const QString &id);

    enum class RecordStart {
        Refused, // the authorisation was refused
        Started, // the helper records until stopGlobalRecord()
        // An earlier recording had ended by itself and nobody had completed
        // it: the helper handed its result over instead of starting anew,
        // for completeUnclaimedRecord().
        Unclaimed,
    };

    /**
     * Starts the global recording in the helper and returns once it runs; the
     * helper's job stays open until stopGlobalRecord(). A helper that could
     * not start throws KAuthException with its sentence. Nothing here
     * changes the working copy.
     */
    RecordStart startGlobalRecord();

    /**
     * Completes the recording that startGlobalRecord() found ended by itself,
     * as stopGlobalRecord() completes a running one.
     */
    GlobalRecordResult completeUnclaimedRecord(bool ignoreData);

    /**
     * Ends the global recording, reloads, and unless @p ignoreData gives every
     * user with recorded accesses a new profile of them (and a user profile
     * including it when the user has none). The new states are unsaved.
     *
     * A failed stop throws KAuthException and changes nothing. A reload that
     * fails keeps the working copy and the recorded profiles, and is reported
     * in the result.
     */
    GlobalRecordResult stopGlobalRecord(bool ignoreData);

    /**
     * Takes the module out of trace mode through the enable action, for a
     * recording that no longer runs in the helper and so cannot be stopped.
     * Results as save().
     */
    static bool leaveTraceMode();

public Q_SLOTS:
    // Any change of a user or profile is a change of the whole system.
    void stateChanged(bool changed);

private:
    enum class Accounts {
        None,
        // As first asked about since the working copy was loaded.
        AtLoad,
        // The accounts now, for @p alsoUser.
        Now,
    };
    // Over the working copy and @p alsoUser.
    KioskStatuses statuses(Accounts accounts, const UserState *alsoUser = nullptr) const;
    // The profiles other than @p root whose statuses were computed on the way.
    void updateComputed(AbstractProfileState *root, KioskStatuses &statuses);
    void clearRemoved();
    // "<user>_<kind>_<n>" with n above every number such names of the user carry.
    QString numberedProfileName(const QString &userName, const QString &kind) const;
    void addRecordedProfiles(const QVariantMap &recorded, GlobalRecordResult &result);
    // What a finished globaltrace job replied, made into the working copy's new profiles.
    GlobalRecordResult recordResult(const QVariantMap &data, bool ignoreData);

    QSet<UserState *> m_users;
    QSet<UserState *> m_removedUsers;
    QSet<ProfileState *> m_profiles;
    QSet<ProfileState *> m_removedProfiles;
    std::unique_ptr<SystemKiosk> m_kiosk;
    std::unique_ptr<AccountDirectory> m_accounts;
    KioskModes m_modes;
    ReadOnlyInfo m_readOnlyInfo;
    QVariantMap m_unclaimedRecord;
};

#endif

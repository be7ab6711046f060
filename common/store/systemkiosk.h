/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_SYSTEMKIOSK_H
#define ORLA_SYSTEMKIOSK_H

#include "orlacommon_export.h"
#include "profile/profilefile.h"
#include "profile/userprofilefile.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

/**
 * The kiosk configuration on disk: the system profile directory, the user
 * profile directory with its subdirectory of disabled users, and the enforce
 * and complain switches, each "now" (module parameter) and "after reboot".
 *
 * Holds no state but where the kiosk lies; every call goes to the file
 * system. Writes only ever reach the kiosk's own directories: a profile name with a directory part of its own
 * (other than the "disabled/" prefix of user profiles) is refused quietly,
 * nothing thrown and nothing changed. Every change goes through the
 * directory's descriptor (KioskDirectory): an entry that is a symbolic link,
 * or a directory that anyone but root may change, fails the call. Failures
 * are thrown as members of the DetailsException family.
 */
class ORLACOMMON_EXPORT SystemKiosk
{
public:
    /**
     * The kiosk below @p root: every compiled-in path (the tree, the module's
     * "now" switches) placed below it as below "/", as the store's other
     * classes place theirs; the paths this build was made with when empty.
     */
    explicit SystemKiosk(const QString &root = QString());
    /**
     * A kiosk laid out below @p treeDir as the system's is below its own tree
     * directory (a copy taken from another machine), whose "now" switches read
     * as those of a module that is not loaded.
     */
    static SystemKiosk ofTree(const QString &treeDir);
    virtual ~SystemKiosk();

    /** The system's directories, as SystemKiosk() has them. */
    static QString systemProfilesDir();
    static QString userProfilesDir();
    static QString disabledProfilesDir();

    /** The three directories that hold profiles. */
    enum class Directory { System, Users, Disabled };
    /** The four switches: the module's "now" and the files read after reboot. */
    enum class Switch { Enforce, AutoEnforce, Complain, AutoComplain };

    /** The directory that holds this kiosk's profile directories and its switches after reboot. */
    QString treeDir() const;
    QString path(Directory directory) const;
    QString switchPath(Switch which) const;

    /** Where a profile name leads: a directory and a plain file name in it. */
    struct Entry {
        Directory directory;
        QString file;
    };
    /** How a user entry is named: the account name, or "disabled/" and the account name. */
    static QString userEntryName(const QString &account, bool enabled);
    /** The name @p entry goes by: its file, or for a disabled user's "disabled/" and the file. */
    static QString entryName(const Entry &entry);
    /** The account of a user entry name, and whether it is enabled; no check of the account itself. */
    static QString accountOfUserEntry(const QString &name, bool *enabled = nullptr);
    /** Empty when @p name is refused (a directory part, ".", "..", NUL). */
    static std::optional<Entry> systemEntry(const QString &name);
    /** As systemEntry(), for an account name or "disabled/" and an account name. */
    static std::optional<Entry> userEntry(const QString &name);
    /** path() of the system's kiosk. */
    static QString directoryPath(Directory directory);
    /** Whether systemEntry() takes @p name. */
    static bool isValidSystemProfileName(const QString &name);
    /** Whether userEntry() takes @p name. */
    static bool isValidUserProfileName(const QString &name);

    /** @p path names an entry directly inside the system profile directory. */
    bool systemProfilePathIsValid(const QString &path) const;
    /** @p path names an entry directly inside the user or the disabled profile directory. */
    bool userProfilePathIsValid(const QString &path) const;

    /** @throws ReadFileException */
    ProfileFile readProfile(const QString &path) const;
    /**
     * Every profile of @p dir, named by file name, in directory order; the
     * first unreadable file fails the whole call.
     * @throws ReadFileException
     */
    QList<ProfileFile> readDirProfiles(const QString &dir) const;
    /** @throws ReadFileException */
    QList<ProfileFile> readSystemProfiles() const;
    /**
     * Every profile of @p directory as stored, by file name; the first
     * unreadable file fails the whole call.
     * @throws ReadFileException
     */
    QMap<QString, QByteArray> profileTexts(Directory directory) const;
    /**
     * Enabled users' profiles, then disabled users' profiles, named by account.
     * @throws ReadFileException
     */
    QList<UserProfileFile> readUserProfiles() const;
    /** Accounts with an enabled profile. */
    QSet<QString> users() const;

    /**
     * Replaces a profile's whole text.
     * @throws CreateDirException, WriteFileException
     */
    void updateSystemProfile(const QString &name, const QString &text) const;
    /** @p name is an account name, or "disabled/" and an account name. */
    void updateUserProfile(const QString &name, const QString &text) const;

    /**
     * Moves a profile, replacing an existing target.
     * @throws CreateDirException, RenameFileException
     */
    void renameSystemProfile(const QString &from, const QString &to) const;
    void renameUserProfile(const QString &from, const QString &to) const;

    /**
     * Deletes a profile; a missing one is not an error.
     * @throws DeleteFileException
     */
    void removeSystemProfile(const QString &name) const;
    void removeUserProfile(const QString &name) const;

    /**
     * Reads a switch file: the first non-empty line, trimmed, is off when it
     * is "0" and on otherwise; no such line is off.
     * @throws ReadFileException
     */
    bool fileValue(const QString &path) const;

    /** @throws ReadFileException (the "now" switches: also when the module is not loaded) */
    bool enforce() const;
    bool autoEnforce() const;
    bool complain() const;
    bool autoComplain() const;

    /** @throws CreateDirException, WriteFileException */
    void enableEnforce(bool on) const;
    void enableAutoEnforce(bool on) const;
    void enableComplain(bool on) const;
    void enableAutoComplain(bool on) const;

    /**
     * The path of the symbolic link that a change of this profile would meet
     * (the profile itself, or for "disabled/" names the disabled directory);
     * empty when there is none. The store refuses to go through such links.
     */
    QString systemProfileLink(const QString &name) const;
    QString userProfileLink(const QString &name) const;

private:
    SystemKiosk(const QString &treeDir, const QString &moduleParametersDir);

    QString m_treeDir;
    QString m_moduleParametersDir;
    // Asked for on every path check: worked out once.
    QString m_systemDir;
    QString m_usersDir;
    QString m_disabledDir;
};

#endif

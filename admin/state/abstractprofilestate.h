/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ABSTRACTPROFILESTATE_H
#define ORLA_ABSTRACTPROFILESTATE_H

#include "state/state.h"

#include "profile/profilestatus.h"

#include <QSet>
#include <QString>

#include <memory>

class ProfileFile;

/**
 * One profile of the working copy with the status computed for it.
 *
 * The status is a set of ProfileStatus codes; SystemState computes them
 * all, and a state follows the codes it can tell from itself at every edit
 * (updateOwnStatus()).
 */
class AbstractProfileState : public State
{
    Q_OBJECT
public:
    // The library's codes under the names the program has always used.
    enum Status : int {
        StatusEmptyName = ProfileStatus::EmptyName,
        StatusNoData = ProfileStatus::NoData,
        StatusInvalidObjectRules = ProfileStatus::InvalidObjectRules,
        StatusUnknownIncludes = ProfileStatus::UnknownIncludes,
        StatusInvalidConfigLines = ProfileStatus::InvalidConfigLines,
        StatusOldFormatRules = ProfileStatus::OldFormatRules,
        StatusCyclicIncludes = ProfileStatus::CyclicIncludes,
        StatusOwnObjectRules = ProfileStatus::OwnObjectRules,
        StatusUserNotFound = ProfileStatus::UserNotFound,
        StatusIncludeWithError = ProfileStatus::IncludeWithError,
        StatusNonexistentProfile = ProfileStatus::NonexistentProfile,
    };
    Q_ENUM(Status)

    explicit AbstractProfileState(const ProfileFile &file, QObject *parent = nullptr);
    ~AbstractProfileState() override;

    // The working copy, to read or change in place.
    ProfileFile *file();
    const ProfileFile *file() const;

    QString name() const;
    // The name the profile had on disk; empty for a profile not written yet.
    QString loadedName() const;

    QSet<int> status() const;
    // Replaces the status without telling anyone.
    void setStatus(const QSet<int> &status);
    QSet<int> warnings() const;
    QSet<int> errors() const;
    bool isEditable() const;

    // Takes name, content and exists flag; a user keeps its enabled flag.
    void setProfileFile(const ProfileFile &file);
    bool includes(const QString &name) const;
    void addIncludeRule(const QString &name);
    void removeIncludeRule(const QString &name);

    void setChanged(bool changed) override;
    virtual void updateOwnStatus();

Q_SIGNALS:
    void statusChanged();

protected:
    // For subclasses whose working copy is a subclass of ProfileFile.
    AbstractProfileState(std::unique_ptr<ProfileFile> file, QObject *parent);

private:
    std::unique_ptr<ProfileFile> m_file;
    QSet<int> m_status;
    QString m_loadedName;
};

#endif

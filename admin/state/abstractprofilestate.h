/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ABSTRACTPROFILESTATE_H
#define ORLA_ABSTRACTPROFILESTATE_H

#include "state/state.h"

#include <QSet>
#include <QString>

#include <memory>

class ProfileFile;

/**
 * One profile of the working copy with the status computed for it.
 *
 * The status is a set of codes; SystemState computes everything except the
 * codes a state can tell from itself (updateOwnStatus()).
 */
class AbstractProfileState : public State
{
    Q_OBJECT
public:
    enum Status : int {
        StatusEmptyName = 0,
        StatusNoData = 1,
        StatusInvalidObjectRules = 2,
        StatusUnknownIncludes = 3,
        StatusInvalidConfigLines = 4,
        StatusOldFormatRules = 5,
        StatusCyclicIncludes = 6,
        StatusOwnObjectRules = 7,
        StatusUserNotFound = 8,
        StatusIncludeWithError = 9,
        StatusNonexistentProfile = 10,
    };
    Q_ENUM(Status)

    explicit AbstractProfileState(const ProfileFile &file, QObject *parent = nullptr);
    ~AbstractProfileState() override;

    // Codes that are only warnings; every other code is an error.
    static QSet<int> warningCodes();
    // Codes that still let the administrator edit the profile: the text
    // itself is readable and the profile exists.
    static QSet<int> editableCodes();

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

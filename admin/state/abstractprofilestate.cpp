/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/abstractprofilestate.h"

#include "profile/profilefile.h"
#include "profile/userprofilefile.h"

#include <utility>

AbstractProfileState::AbstractProfileState(const ProfileFile &file, QObject *parent)
    : AbstractProfileState(std::make_unique<ProfileFile>(file), parent)
{
}

AbstractProfileState::AbstractProfileState(std::unique_ptr<ProfileFile> file, QObject *parent)
    : State(parent)
    , m_file(std::move(file))
    , m_loadedName(m_file->exists() ? m_file->name() : QString())
{
    updateOwnStatus();
    // Observers of the status follow only statusChanged; the changed flag is part of what they show.
    connect(this, &State::wasChanged, this, &AbstractProfileState::statusChanged);
}

AbstractProfileState::~AbstractProfileState() = default;

ProfileFile *AbstractProfileState::file()
{
    return m_file.get();
}

const ProfileFile *AbstractProfileState::file() const
{
    return m_file.get();
}

QString AbstractProfileState::name() const
{
    return m_file->name();
}

QString AbstractProfileState::loadedName() const
{
    return m_loadedName;
}

QSet<int> AbstractProfileState::status() const
{
    return m_status;
}

void AbstractProfileState::setStatus(const QSet<int> &status)
{
    m_status = status;
}

QSet<int> AbstractProfileState::warnings() const
{
    return QSet<int>(m_status).intersect(ProfileStatus::warningCodes());
}

QSet<int> AbstractProfileState::errors() const
{
    return QSet<int>(m_status).subtract(ProfileStatus::warningCodes());
}

bool AbstractProfileState::isEditable() const
{
    return QSet<int>(m_status).subtract(ProfileStatus::editableCodes()).isEmpty();
}

void AbstractProfileState::setProfileFile(const ProfileFile &file)
{
    if (auto *user = dynamic_cast<UserProfileFile *>(m_file.get())) {
        const bool enable = user->isEnable();
        // Copy first: the argument may be the working copy itself.
        UserProfileFile copy(file);
        copy.setEnable(enable);
        *user = copy;
    } else {
        // Assign only the ProfileFile part even when handed a user's file.
        *m_file = ProfileFile(file);
    }
    setChanged(true);
}

void AbstractProfileState::addIncludeRule(const QString &name)
{
    m_file->data().insertIncludeRule(IncludeRule(name));
    setChanged(true);
}

bool AbstractProfileState::includes(const QString &name) const
{
    return std::as_const(*m_file).data().includes().contains(IncludeRule(name));
}

void AbstractProfileState::removeIncludeRule(const QString &name)
{
    m_file->data().removeIncludeRule(IncludeRule(name));
    setChanged(true);
}

void AbstractProfileState::setChanged(bool changed)
{
    // Every edit ends here, so the codes a profile can tell from itself follow
    // its content at once, before observers hear of the change.
    updateOwnStatus();
    State::setChanged(changed);
}

void AbstractProfileState::updateOwnStatus()
{
    m_status = ProfileStatus::withOwnCodes(m_status, std::as_const(*m_file).data(), false);
}

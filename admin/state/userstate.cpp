/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/userstate.h"

#include "profile/userprofilefile.h"

UserState::UserState(const UserProfileFile &file, QObject *parent)
    : ProfileState(std::make_unique<UserProfileFile>(file), parent)
    , m_enabledAtLoad(file.isEnable())
{
    // The base constructors ran only their own rule.
    updateOwnStatus();
}

UserState::~UserState() = default;

UserProfileFile *UserState::userFile()
{
    return static_cast<UserProfileFile *>(file());
}

const UserProfileFile *UserState::userFile() const
{
    return static_cast<const UserProfileFile *>(file());
}

bool UserState::isEnable() const
{
    return userFile()->isEnable();
}

void UserState::setEnable(bool enable)
{
    userFile()->setEnable(enable);
    setChanged(true);
}

bool UserState::wasEnabled() const
{
    return m_enabledAtLoad;
}

void UserState::updateOwnStatus()
{
    setStatus(ProfileStatus::withOwnCodes(status(), std::as_const(*file()).data(), true));
}

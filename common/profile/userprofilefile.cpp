/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/userprofilefile.h"

UserProfileFile::UserProfileFile(const QString &name, bool exists)
    : ProfileFile(name, exists)
{
}

UserProfileFile::UserProfileFile(const ProfileFile &profile)
    : ProfileFile(profile)
{
}

UserProfileFile::~UserProfileFile() = default;

bool UserProfileFile::isEnable() const
{
    return m_enable;
}

void UserProfileFile::setEnable(bool enable)
{
    m_enable = enable;
}

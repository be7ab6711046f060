/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/profilestate.h"

#include "profile/profilefile.h"

ProfileState::ProfileState(const ProfileFile &file, QObject *parent)
    : AbstractProfileState(file, parent)
{
}

ProfileState::ProfileState(std::unique_ptr<ProfileFile> file, QObject *parent)
    : AbstractProfileState(std::move(file), parent)
{
}

ProfileState::~ProfileState() = default;

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_PROFILESTATE_H
#define ORLA_PROFILESTATE_H

#include "state/abstractprofilestate.h"

/** A system profile of the working copy. */
class ProfileState : public AbstractProfileState
{
    Q_OBJECT
public:
    explicit ProfileState(const ProfileFile &file, QObject *parent = nullptr);
    ~ProfileState() override;

protected:
    ProfileState(std::unique_ptr<ProfileFile> file, QObject *parent);
};

#endif

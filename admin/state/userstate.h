/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_USERSTATE_H
#define ORLA_USERSTATE_H

#include "state/profilestate.h"

class UserProfileFile;

/** A kiosk user's profile of the working copy. */
class UserState : public ProfileState
{
    Q_OBJECT
public:
    explicit UserState(const UserProfileFile &file, QObject *parent = nullptr);
    ~UserState() override;

    // The working copy as what it is.
    UserProfileFile *userFile();
    const UserProfileFile *userFile() const;

    bool isEnable() const;
    void setEnable(bool enable);
    bool wasEnabled() const;

    void updateOwnStatus() override;

private:
    bool m_enabledAtLoad;
};

#endif

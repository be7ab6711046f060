/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_USERPROFILEFILE_H
#define ORLA_USERPROFILEFILE_H

#include "orlacommon_export.h"
#include "profile/profilefile.h"

/**
 * The profile of one kiosk user, named after the account, with whether the
 * user is enabled.
 */
class ORLACOMMON_EXPORT UserProfileFile : public ProfileFile
{
public:
    UserProfileFile(const QString &name, bool exists);
    explicit UserProfileFile(const ProfileFile &profile);
    ~UserProfileFile() override;

    UserProfileFile(const UserProfileFile &) = default;
    UserProfileFile &operator=(const UserProfileFile &) = default;
    UserProfileFile(UserProfileFile &&) = default;
    UserProfileFile &operator=(UserProfileFile &&) = default;

    bool isEnable() const;
    void setEnable(bool enable);

private:
    bool m_enable = true;
};

#endif

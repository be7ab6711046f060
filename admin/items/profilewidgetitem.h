/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_PROFILEWIDGETITEM_H
#define ORLA_PROFILEWIDGETITEM_H

#include "items/abstractlistwidgetitem.h"

#include "state/profilestate.h"

/**
 * A system profile in the profiles list. Its check box says whether the
 * selected user includes the profile.
 */
class ProfileWidgetItem : public AbstractListWidgetItem
{
public:
    explicit ProfileWidgetItem(ProfileState *state);
    ~ProfileWidgetItem() override;

    ProfileState *state() const override;

private:
    ProfileState *m_state;
};

#endif

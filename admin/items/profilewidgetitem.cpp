/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/profilewidgetitem.h"

#include "state/profilestate.h"

ProfileWidgetItem::ProfileWidgetItem(ProfileState *state)
    : m_state(state)
{
    // Setting a check state is what makes the list draw a check box.
    setCheckState(Qt::Unchecked);
    updateAppearance();
}

ProfileWidgetItem::~ProfileWidgetItem() = default;

ProfileState *ProfileWidgetItem::state() const
{
    return m_state;
}

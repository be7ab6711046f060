/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_USERWIDGETITEM_H
#define ORLA_USERWIDGETITEM_H

#include "items/abstractlistwidgetitem.h"

#include "state/userstate.h"

/** A kiosk user in the users list, with markers and an emblem for its status. */
class UserWidgetItem : public AbstractListWidgetItem
{
public:
    explicit UserWidgetItem(UserState *state);
    ~UserWidgetItem() override;

    void updateAppearance() override;
    UserState *state() const override;

protected:
    QStringList marks() const override;

private:
    UserState *m_state;
};

#endif

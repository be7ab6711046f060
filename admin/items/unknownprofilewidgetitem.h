/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_UNKNOWNPROFILEWIDGETITEM_H
#define ORLA_UNKNOWNPROFILEWIDGETITEM_H

#include "items/profilewidgetitem.h"

#include <memory>

/**
 * Stands in the profiles list for a profile that the selected user includes
 * but that does not exist, so that the include can be seen and unchecked.
 *
 * The placeholder state is the item's own; the system state never sees it.
 */
class UnknownProfileWidgetItem : public ProfileWidgetItem
{
public:
    explicit UnknownProfileWidgetItem(const QString &name);
    ~UnknownProfileWidgetItem() override;

protected:
    QStringList marks() const override;

private:
    std::unique_ptr<ProfileState> m_placeholder;
};

#endif

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/unknownprofilewidgetitem.h"

#include "profile/profilefile.h"
#include "state/profilestate.h"

#include <QObject>

UnknownProfileWidgetItem::UnknownProfileWidgetItem(const QString &name)
    : ProfileWidgetItem(new ProfileState(ProfileFile(name, false)))
    , m_placeholder(ProfileWidgetItem::state())
{
    m_placeholder->setStatus({AbstractProfileState::StatusNonexistentProfile});
    // The user includes it, which is the only reason the item is shown.
    setCheckState(Qt::Checked);
    updateAppearance();
}

UnknownProfileWidgetItem::~UnknownProfileWidgetItem() = default;

QStringList UnknownProfileWidgetItem::marks() const
{
    return {QObject::tr("unknown")};
}

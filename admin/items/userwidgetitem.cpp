/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/userwidgetitem.h"

#include "desktop/orlaicon.h"
#include "state/userstate.h"

#include <QIcon>
#include <QObject>
#include <QStringList>

UserWidgetItem::UserWidgetItem(UserState *state)
    : m_state(state)
{
    updateAppearance();
}

UserWidgetItem::~UserWidgetItem() = default;

void UserWidgetItem::updateAppearance()
{
    AbstractListWidgetItem::updateAppearance();

    const QIcon userIcon = QIcon::fromTheme(QStringLiteral("user"));
    if (!m_state->errors().isEmpty()) {
        setIcon(OrlaIcon::withEmblems(userIcon, {Qt::BottomRightCorner, QStringLiteral("dialog-error")}));
    } else if (!m_state->warnings().isEmpty()) {
        setIcon(OrlaIcon::withEmblems(userIcon, {Qt::BottomRightCorner, QStringLiteral("dialog-warning")}));
    } else {
        setIcon(userIcon);
    }
}

QStringList UserWidgetItem::marks() const
{
    return (m_state->isEnable() ? QStringList() : QStringList{QObject::tr("disabled")}) + AbstractListWidgetItem::marks();
}

UserState *UserWidgetItem::state() const
{
    return m_state;
}

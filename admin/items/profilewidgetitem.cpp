/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/profilewidgetitem.h"

#include "state/profilestate.h"

#include <QObject>
#include <QStringList>

ProfileWidgetItem::ProfileWidgetItem(ProfileState *state)
    : m_state(state)
{
    // Setting a check state is what makes the list draw a check box.
    setCheckState(Qt::Unchecked);
    updateAppearance();
}

ProfileWidgetItem::~ProfileWidgetItem() = default;

QString ProfileWidgetItem::displayText() const
{
    QStringList parts{m_state->name()};
    if (!m_state->errors().isEmpty()) {
        parts << QStringLiteral("(%1)").arg(QObject::tr("has errors"));
    }
    if (!m_state->warnings().isEmpty()) {
        parts << QStringLiteral("(%1)").arg(QObject::tr("has warnings"));
    }
    return parts.join(QLatin1Char(' '));
}

ProfileState *ProfileWidgetItem::state() const
{
    return m_state;
}

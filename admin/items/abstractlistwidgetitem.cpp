/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/abstractlistwidgetitem.h"

#include "profile/printable.h"
#include "state/abstractprofilestate.h"

#include <QObject>

AbstractListWidgetItem::AbstractListWidgetItem()
    : QListWidgetItem()
{
}

AbstractListWidgetItem::~AbstractListWidgetItem() = default;

void AbstractListWidgetItem::updateAppearance()
{
    // Names are anyone's choice in the tree; shown as they are, a format
    // character could turn the line around.
    QStringList parts{state()->name()};
    for (const QString &mark : marks()) {
        parts << QStringLiteral("(%1)").arg(mark);
    }
    const QString text = Utils::printable(parts.join(QLatin1Char(' ')));
    setText(text);
    setToolTip(text);
}

QStringList AbstractListWidgetItem::marks() const
{
    QStringList marks;
    if (!state()->errors().isEmpty()) {
        marks << QObject::tr("has errors");
    }
    if (!state()->warnings().isEmpty()) {
        marks << QObject::tr("has warnings");
    }
    return marks;
}

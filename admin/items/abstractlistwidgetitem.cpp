/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/abstractlistwidgetitem.h"

#include "profile/printable.h"

AbstractListWidgetItem::AbstractListWidgetItem()
    : QListWidgetItem()
{
}

AbstractListWidgetItem::~AbstractListWidgetItem() = default;

void AbstractListWidgetItem::updateAppearance()
{
    // Names are anyone's choice in the tree; shown as they are, a format
    // character could turn the line around.
    const QString text = Utils::printable(displayText());
    setText(text);
    setToolTip(text);
}

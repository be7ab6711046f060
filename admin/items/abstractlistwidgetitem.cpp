/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "items/abstractlistwidgetitem.h"

AbstractListWidgetItem::AbstractListWidgetItem()
    : QListWidgetItem()
{
}

AbstractListWidgetItem::~AbstractListWidgetItem() = default;

void AbstractListWidgetItem::updateAppearance()
{
    const QString text = displayText();
    setText(text);
    setToolTip(text);
}

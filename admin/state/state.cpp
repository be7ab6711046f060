/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/state.h"

State::State(QObject *parent)
    : QObject(parent)
{
}

State::~State() = default;

bool State::isChanged() const
{
    return m_changed;
}

void State::setChanged(bool changed)
{
    m_changed = changed;
    Q_EMIT wasChanged(changed);
}

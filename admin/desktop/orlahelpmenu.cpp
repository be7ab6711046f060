/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/orlahelpmenu.h"

#include <KAboutData>
#include <KHelpMenu>

#include <QGuiApplication>
#include <QWhatsThis>

OrlaHelpMenu::OrlaHelpMenu(QWidget *parent)
    : QMenu(tr("&Help"), parent)
    // The About dialog is parented to the window, not to this popup.
    , m_helpMenu(new KHelpMenu(parent, KAboutData::applicationData(), false))
{
    m_helpMenu->setParent(this);

    addAction(QWhatsThis::createAction(this));
    addSeparator();
    // Only entries that work without a desktop of KDE's: no handbook, bug
    // tracker or language switch.
    m_aboutAction =
        addAction(QGuiApplication::windowIcon(), tr("&About %1").arg(KAboutData::applicationData().displayName()), m_helpMenu, &KHelpMenu::aboutApplication);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
}

OrlaHelpMenu::~OrlaHelpMenu() = default;

QAction *OrlaHelpMenu::aboutAction() const
{
    return m_aboutAction;
}

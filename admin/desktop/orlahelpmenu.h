/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAHELPMENU_H
#define ORLA_ORLAHELPMENU_H

#include <QMenu>

class KHelpMenu;

/**
 * The desktop's help menu: What's This and About, the latter showing the
 * about data that orlaInit() registered. Append it as the last menu of the
 * menu bar.
 */
class OrlaHelpMenu : public QMenu
{
    Q_OBJECT
public:
    explicit OrlaHelpMenu(QWidget *parent);
    ~OrlaHelpMenu() override;

    QAction *aboutAction() const;

private:
    KHelpMenu *m_helpMenu;
    QAction *m_aboutAction;
};

#endif

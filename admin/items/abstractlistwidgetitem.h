/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ABSTRACTLISTWIDGETITEM_H
#define ORLA_ABSTRACTLISTWIDGETITEM_H

#include <QListWidgetItem>
#include <QStringList>

class AbstractProfileState;

/**
 * A line of the users or profiles list that shows one state of the working
 * copy.
 *
 * Items do not listen to their states: the main window connects each state's
 * statusChanged() and calls updateAppearance(), so an item never outlives the
 * connection that refreshes it.
 */
class AbstractListWidgetItem : public QListWidgetItem
{
public:
    AbstractListWidgetItem();
    ~AbstractListWidgetItem() override;

    AbstractListWidgetItem(const AbstractListWidgetItem &) = delete;
    AbstractListWidgetItem &operator=(const AbstractListWidgetItem &) = delete;

    // Text and tool tip both show the state's name and, in parentheses, its marks.
    virtual void updateAppearance();

    // The state shown; it belongs to the system state, not to the item.
    virtual AbstractProfileState *state() const = 0;

protected:
    // Whether the state has errors, and warnings.
    virtual QStringList marks() const;
};

#endif

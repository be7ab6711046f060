/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_WINDOWDRIVER_H
#define ORLA_WINDOWDRIVER_H

#include "statetesting.h"

#include "items/abstractlistwidgetitem.h"
#include "mainwindow/mainwindow.h"
#include "profile/includerule.h"
#include "profile/profilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QStringList>

#include <algorithm>

/**
 * Reaches the main window's widgets by the object names of its form, the
 * way the tests look at and click them.
 */
class WindowDriver
{
public:
    explicit WindowDriver(MainWindow *window)
        : m_window(window)
    {
    }

    QListWidget *users() const
    {
        return m_window->findChild<QListWidget *>(QStringLiteral("usersListWidget"));
    }

    QListWidget *profiles() const
    {
        return m_window->findChild<QListWidget *>(QStringLiteral("profilesListWidget"));
    }

    QGroupBox *profilesBox() const
    {
        return m_window->findChild<QGroupBox *>(QStringLiteral("profilesGroupBox"));
    }

    QLabel *statusLabel() const
    {
        return m_window->findChild<QLabel *>(QStringLiteral("statusLabel"));
    }

    QAction *action(const char *name) const
    {
        return m_window->findChild<QAction *>(QString::fromLatin1(name));
    }

    static QStringList texts(const QListWidget *list)
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row) {
            texts << list->item(row)->text();
        }
        return texts;
    }

    QStringList userTexts() const
    {
        return texts(users());
    }

    QStringList profileTexts() const
    {
        return texts(profiles());
    }

    // Names of the profiles shown checked, placeholders included.
    QStringList checkedProfiles() const
    {
        QStringList names;
        for (int row = 0; row < profiles()->count(); ++row) {
            auto *item = static_cast<AbstractListWidgetItem *>(profiles()->item(row));
            if (item->checkState() == Qt::Checked) {
                names << item->state()->name();
            }
        }
        return names;
    }

    static QListWidgetItem *find(QListWidget *list, const QString &name)
    {
        for (int row = 0; row < list->count(); ++row) {
            auto *item = static_cast<AbstractListWidgetItem *>(list->item(row));
            if (item->state()->name() == name) {
                return item;
            }
        }
        return nullptr;
    }

    QListWidgetItem *userItem(const QString &name) const
    {
        return find(users(), name);
    }

    QListWidgetItem *profileItem(const QString &name) const
    {
        return find(profiles(), name);
    }

    bool selectUser(const QString &name) const
    {
        QListWidgetItem *item = userItem(name);
        if (!item) {
            return false;
        }
        users()->setCurrentItem(item);
        return m_window->selectedUser() && m_window->selectedUser()->name() == name;
    }

    bool selectProfile(const QString &name) const
    {
        QListWidgetItem *item = profileItem(name);
        if (!item) {
            return false;
        }
        profiles()->setCurrentItem(item);
        return m_window->selectedProfile() && m_window->selectedProfile()->name() == name;
    }

    bool select(const QString &user, const QString &profile) const
    {
        return selectUser(user) && selectProfile(profile);
    }

    // Ticks or unticks a profile as a click on its check box would.
    bool setChecked(const QString &profile, bool checked) const
    {
        QListWidgetItem *item = profileItem(profile);
        if (!item) {
            return false;
        }
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        return true;
    }

    UserState *userState(const QString &name) const
    {
        return StateTesting::byName(m_window->systemState()->users(), name);
    }

    ProfileState *profileState(const QString &name) const
    {
        return StateTesting::byName(m_window->systemState()->profiles(), name);
    }

    static QStringList includes(const AbstractProfileState *state)
    {
        return includes(*state->file());
    }

    // The names a profile includes, sorted.
    static QStringList includes(const ProfileFile &file)
    {
        QStringList names;
        const auto rules = file.data().includes();
        for (const IncludeRule &rule : rules) {
            names << rule.name();
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    MainWindow *m_window;
};

#endif

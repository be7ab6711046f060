/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "items/profilewidgetitem.h"
#include "items/unknownprofilewidgetitem.h"
#include "items/userwidgetitem.h"
#include "profile/includerule.h"
#include "profile/profilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include <QMenu>

#include <algorithm>
#include <utility>

namespace
{
template<typename StatePointer>
QList<StatePointer> sortedByName(const QSet<StatePointer> &states)
{
    QList<StatePointer> sorted = states.values();
    std::sort(sorted.begin(), sorted.end(), [](StatePointer a, StatePointer b) {
        return a->name() < b->name();
    });
    return sorted;
}

QStringList includeNames(const AbstractProfileState *state)
{
    QStringList names;
    const auto includes = state->file()->data().includes();
    for (const IncludeRule &rule : includes) {
        names << rule.name();
    }
    return names;
}
}

UserState *MainWindow::selectedUser() const
{
    const auto selected = ui->usersListWidget->selectedItems();
    if (selected.isEmpty()) {
        return nullptr;
    }
    return static_cast<UserWidgetItem *>(selected.first())->state();
}

ProfileState *MainWindow::selectedProfile() const
{
    const auto selected = ui->profilesListWidget->selectedItems();
    if (selected.isEmpty()) {
        return nullptr;
    }
    return static_cast<ProfileWidgetItem *>(selected.first())->state();
}

void MainWindow::fillUsers(const QSet<UserState *> &users)
{
    ui->usersListWidget->clear();
    const auto sorted = sortedByName(users);
    for (UserState *user : sorted) {
        appendUserItem(user);
    }
}

void MainWindow::appendUserItem(UserState *user)
{
    ui->usersListWidget->addItem(new UserWidgetItem(user));
    connect(user, &AbstractProfileState::statusChanged, this, &MainWindow::userStatusChanged, Qt::UniqueConnection);
}

void MainWindow::fillProfiles(const QSet<ProfileState *> &profiles, const QStringList &checkedNames)
{
    ui->profilesListWidget->clear();
    m_unknownProfileItems.clear();

    QStringList leftOver = checkedNames;
    const auto sorted = sortedByName(profiles);
    for (ProfileState *profile : sorted) {
        auto *item = new ProfileWidgetItem(profile);
        item->setCheckState(leftOver.removeAll(profile->name()) > 0 ? Qt::Checked : Qt::Unchecked);
        appendProfileItem(item);
        connect(profile, &AbstractProfileState::statusChanged, this, &MainWindow::profileStatusChanged, Qt::UniqueConnection);
    }
    for (const QString &name : std::as_const(leftOver)) {
        auto *item = new UnknownProfileWidgetItem(name);
        m_unknownProfileItems.insert(item);
        appendProfileItem(item);
    }
}

void MainWindow::appendProfileItem(ProfileWidgetItem *item)
{
    if (isReadOnly()) {
        // Shown, but the administrator cannot tick anything.
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    ui->profilesListWidget->addItem(item);
}

void MainWindow::usersSelectionChanged()
{
    UserState *user = selectedUser();
    const bool readOnly = isReadOnly();
    ui->actionDeleteUser->setEnabled(!readOnly && user);
    ui->actionAddUser->setEnabled(!readOnly);

    QSet<ProfileState *> profiles;
    QStringList checkedNames;
    bool profilesEnabled = false;
    ui->actionShowUserStatus->setVisible(user && !user->status().isEmpty());
    // A user with rules of its own has to move them into a profile before
    // profiles can be ticked for it.
    if (user && user->isEditable() && !user->status().contains(AbstractProfileState::StatusOwnObjectRules)) {
        checkedNames = includeNames(user);
        // The placeholders of unknown includes appear in name order.
        std::sort(checkedNames.begin(), checkedNames.end());
        profiles = m_systemState.profiles();
        profilesEnabled = true;
    }
    ui->profilesGroupBox->setEnabled(profilesEnabled);

    updateUserEnablingActions();
    fillProfiles(profiles, checkedNames);
}

void MainWindow::updateUserEnablingActions()
{
    const UserState *user = isReadOnly() ? nullptr : selectedUser();
    ui->actionEnableUser->setEnabled(user && !user->isEnable());
    ui->actionDisableUser->setEnabled(user && user->isEnable());
}

void MainWindow::profilesSelectionChanged()
{
    ProfileState *profile = selectedProfile();
    ui->actionShowProfileStatus->setVisible(profile && !profile->status().isEmpty());
    const bool placeholder = profile && profile->status() == QSet<int>{AbstractProfileState::StatusNonexistentProfile};
    ui->actionDeleteProfile->setEnabled(profile && !isReadOnly() && !placeholder);
    ui->actionEditProfile->setEnabled(profile && profile->isEditable());
    const QString editText = isReadOnly() ? tr("View profile") : tr("Edit profile");
    ui->actionEditProfile->setText(editText);
    ui->actionEditProfile->setToolTip(editText);
}

void MainWindow::announceAllStatuses()
{
    const auto profiles = m_systemState.profiles();
    for (ProfileState *state : profiles) {
        Q_EMIT state->statusChanged();
    }
    const auto users = m_systemState.users();
    for (UserState *state : users) {
        Q_EMIT state->statusChanged();
    }
}

void MainWindow::profileItemChanged(QListWidgetItem *item)
{
    auto *profileItem = dynamic_cast<ProfileWidgetItem *>(item);
    UserState *user = selectedUser();
    // Items the administrator cannot tick (read-only mode, a greyed
    // placeholder) change nothing, whoever sets their check state.
    if (!profileItem || !user || !(item->flags() & Qt::ItemIsUserCheckable)) {
        return;
    }
    const QString name = profileItem->state()->name();
    const bool checked = item->checkState() == Qt::Checked;
    const bool included = user->includes(name);

    if (checked && !included) {
        user->addIncludeRule(name);
        m_systemState.updateUserStatus(user);
        user->setChanged(true);
    } else if (!checked && included) {
        user->removeIncludeRule(name);
        m_systemState.updateUserStatus(user);
        user->setChanged(true);
        auto *unknown = dynamic_cast<UnknownProfileWidgetItem *>(profileItem);
        if (unknown && m_unknownProfileItems.remove(unknown)) {
            // The placeholder stays in sight, greyed, until the list is rebuilt.
            const QSignalBlocker blocker(ui->profilesListWidget);
            unknown->setCheckState(Qt::Unchecked);
            unknown->setFlags(Qt::NoItemFlags);
        }
        profilesSelectionChanged();
    }
}

void MainWindow::statusChangedOf(QListWidget *list, QAction *showStatus)
{
    const QObject *state = sender();
    for (int row = 0; row < list->count(); ++row) {
        auto *item = static_cast<AbstractListWidgetItem *>(list->item(row));
        if (item->state() != state) {
            continue;
        }
        {
            // A new text is no tick: an item still showing a renamed
            // profile's old check state would otherwise change the user.
            const QSignalBlocker blocker(list);
            item->updateAppearance();
        }
        if (item->isSelected()) {
            showStatus->setVisible(!item->state()->status().isEmpty());
        }
        return;
    }
}

void MainWindow::userStatusChanged()
{
    statusChangedOf(ui->usersListWidget, ui->actionShowUserStatus);
}

void MainWindow::profileStatusChanged()
{
    statusChangedOf(ui->profilesListWidget, ui->actionShowProfileStatus);
}

void MainWindow::usersWidgetContextMenuRequested(const QPoint &position)
{
    QMenu menu(this);
    menu.addActions(ui->menuUsers->actions());
    menu.exec(ui->usersListWidget->viewport()->mapToGlobal(position));
}

void MainWindow::profilesWidgetContextMenuRequested(const QPoint &position)
{
    QMenu menu(this);
    menu.addActions(ui->menuProfiles->actions());
    menu.exec(ui->profilesListWidget->viewport()->mapToGlobal(position));
}

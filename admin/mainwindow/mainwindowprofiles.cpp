/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogs/createprofiledialog.h"
#include "dialogs/editprofiledialog.h"
#include "items/profilewidgetitem.h"
#include "messagetext.h"
#include "profile/includerule.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include <QMessageBox>

void MainWindow::profileItemDoubleClicked(const QModelIndex &index)
{
    Q_UNUSED(index)
    if (selectedProfile() && ui->actionEditProfile->isEnabled()) {
        editProfileActionTriggered();
    }
}

void MainWindow::createProfileActionTriggered()
{
    if (!ui->actionCreateProfile->isEnabled()) {
        return;
    }
    UserState *user = selectedUser();
    CreateProfileDialog dialog(&m_systemState, user, this);
    // Creating a profile begins with recording an application for it. Modal
    // from the start: exec() cannot make a dialog that is shown already
    // modal, and the window behind would take input meanwhile.
    dialog.setModal(true);
    dialog.show();
    dialog.traceAppActionTriggered();
    if (dialog.exec() == QDialog::Accepted) {
        auto *profile = new ProfileState(dialog.profileFile());
        m_systemState.addProfile(profile);
        // The list shows profiles only while it can tick them for the selected user.
        if (user && ui->profilesGroupBox->isEnabled()) {
            auto *item = new ProfileWidgetItem(profile);
            item->setCheckState(Qt::Unchecked);
            appendProfileItem(item);
            connect(profile, &AbstractProfileState::statusChanged, this, &MainWindow::profileStatusChanged, Qt::UniqueConnection);
            // Ticked as the administrator would, which includes it in the user.
            item->setCheckState(Qt::Checked);
        }
        m_systemState.updateAllStatuses();
        announceAllStatuses();
    }
    refreshModes();
}

void MainWindow::editProfileActionTriggered()
{
    ProfileState *profile = selectedProfile();
    if (!profile || !profile->isEditable()) {
        return;
    }
    const QString oldName = profile->name();
    EditProfileDialog dialog(*profile->file(), &m_systemState, selectedUser(), this);
    if (dialog.exec() == QDialog::Accepted && m_systemState.replaceProfile(profile, dialog.profileFile())) {
        if (profile->name() != oldName) {
            // Check states follow the includes again, and a placeholder
            // of the new name goes.
            usersSelectionChanged();
            for (int row = 0; row < ui->profilesListWidget->count(); ++row) {
                if (static_cast<ProfileWidgetItem *>(ui->profilesListWidget->item(row))->state() == profile) {
                    ui->profilesListWidget->setCurrentRow(row);
                    break;
                }
            }
        }
        announceAllStatuses();
    }
    // The profile may have become one that cannot be edited, or been renamed.
    profilesSelectionChanged();
    refreshModes();
}

void MainWindow::showProfileStatusTriggered()
{
    ProfileState *profile = selectedProfile();
    if (!profile) {
        return;
    }
    const QSet<int> status = profile->status();
    if (status == QSet<int>{AbstractProfileState::StatusNonexistentProfile}) {
        QMessageBox::warning(this, tr("Warning"), Utils::messageText(tr("Nonexistent profile '%1'").arg(profile->name())));
    } else if (!status.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), Utils::messageText(tr("Profile '%1' %2").arg(profile->name(), statusSummary(status))));
    }
}

void MainWindow::deleteProfileActionTriggered()
{
    ProfileState *profile = selectedProfile();
    if (!profile || isReadOnly() || profile->status() == QSet<int>{AbstractProfileState::StatusNonexistentProfile}) {
        return;
    }
    const QString name = profile->name();
    UserState *user = selectedUser();

    QStringList users;
    bool removeFromUser = false;
    const auto includers = m_systemState.includersOf(name);
    for (const AbstractProfileState *other : includers) {
        // The selected user's own tick goes with the profile.
        if (other == user) {
            removeFromUser = true;
        } else {
            users << other->name();
        }
    }

    if (!users.isEmpty()) {
        QMessageBox::critical(this,
                              tr("Cannot delete profile"),
                              Utils::messageText(tr("Profile '%1' used by %2").arg(name, joinNames(users, QStringLiteral("'")))));
        return;
    }
    const auto answer = QMessageBox::question(this,
                                              tr("Delete kiosk profile"),
                                              Utils::messageText(tr("Are you sure want to delete kiosk profile '%1'?").arg(name)),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    if (removeFromUser) {
        user->removeIncludeRule(name);
    }
    m_systemState.removeProfile(profile);
    delete ui->profilesListWidget->takeItem(ui->profilesListWidget->row(ui->profilesListWidget->selectedItems().first()));
    if (removeFromUser) {
        m_systemState.updateUserStatus(user);
        user->setChanged(true);
    }
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogs/createuserdialog.h"
#include "failures/readfileexception.h"
#include "messagetext.h"
#include "profile/profilestatus.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"
#include "system/systemusers.h"
#include "system/user.h"

#include <QMessageBox>

void MainWindow::createUserActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    QSet<QString> available;
    try {
        available = Utils::users();
    } catch (const ReadFileException &e) {
        QMessageBox::critical(this, tr("Read users error"), Utils::messageText(tr("Could not read user list. File '%1' reading error").arg(e.path())));
        return;
    }

    // Accounts whose names the program cannot take (a leading digit, too
    // long) would only show up as users not found.
    for (auto it = available.begin(); it != available.end();) {
        it = User::isValidName(*it) ? std::next(it) : available.erase(it);
    }

    QList<const UserProfileFile *> copyable;
    const auto users = m_systemState.users();
    for (UserState *user : users) {
        available.remove(user->name());
        if (user->status().isEmpty()) {
            copyable << user->userFile();
        }
    }
    if (available.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), tr("Kiosk rules were created for all users"));
        return;
    }

    CreateUserDialog dialog(available, copyable, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    UserProfileFile file(dialog.selectedUserName(), false);
    if (const UserProfileFile *copied = dialog.copiedUserProfile()) {
        file.setData(copied->data());
    }
    file.setEnable(true);

    auto *user = new UserState(file);
    m_systemState.addUser(user);
    m_systemState.updateUserStatus(user);
    appendUserItem(user);
    ui->usersListWidget->setCurrentRow(ui->usersListWidget->count() - 1);
}

void MainWindow::deleteUserActionTriggered()
{
    UserState *user = selectedUser();
    if (!user || isReadOnly()) {
        return;
    }
    const auto answer = QMessageBox::question(this,
                                              tr("Delete kiosk user rules"),
                                              Utils::messageText(tr("Are you sure want to delete kiosk rules for '%1'?").arg(user->name())),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    m_systemState.removeUser(user);
    delete ui->usersListWidget->takeItem(ui->usersListWidget->row(ui->usersListWidget->selectedItems().first()));
}

void MainWindow::enableUserActionTriggered()
{
    UserState *user = selectedUser();
    if (!user || isReadOnly()) {
        return;
    }
    if (!user->status().isEmpty()) {
        QMessageBox::warning(this, tr("Action rejected"), tr("User having errors cannot be activated"));
        return;
    }
    user->setEnable(true);
    updateUserEnablingActions();
}

void MainWindow::disableUserActionTriggered()
{
    UserState *user = selectedUser();
    if (!user || isReadOnly()) {
        return;
    }
    user->setEnable(false);
    updateUserEnablingActions();
}

void MainWindow::showUserStatusTriggered()
{
    UserState *user = selectedUser();
    if (!user || user->status().isEmpty()) {
        return;
    }
    const QSet<int> status = user->status();
    if (user->isEditable() && status.contains(AbstractProfileState::StatusOwnObjectRules)) {
        const bool readOnly = isReadOnly();
        // The status goes in the text: a title is cut to the box's width.
        QStringList lines{tr("User '%1' %2.").arg(user->name(), ProfileStatus::text(ProfileStatus::OwnObjectRules)),
                          tr("To be able to edit a profile, you need to make the rules in a separate profile, which will be included in the user.")};
        if (!readOnly) {
            lines << tr("Do you want to make the rules in a separate profile?");
        }
        const auto answer = QMessageBox::question(this,
                                                  tr("User rules"),
                                                  Utils::messageText(lines.join(QLatin1Char(' '))),
                                                  readOnly ? QMessageBox::StandardButtons(QMessageBox::Ok) : QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            m_systemState.extractUserRules(user);
            // The new profile's status is computed on the way through the user's includes.
            m_systemState.updateUserStatus(user);
            user->setChanged(true);
            usersSelectionChanged();
        }
        return;
    }
    QMessageBox::warning(this, tr("Warning"), Utils::messageText(tr("User '%1' %2").arg(user->name(), statusSummary(status))));
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogs/restoredialog.h"
#include "failures/kauthexception.h"
#include "messagetext.h"
#include "state/userstate.h"
#include "store/updatepreview.h"

#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <functional>
#include <utility>

bool MainWindow::warnIfNoEnabledUsers(const QString &text)
{
    if (m_systemState.hasEnabledUsers()) {
        return false;
    }
    QMessageBox::warning(this, tr("No active kiosk users"), text);
    return true;
}

namespace
{
// A message box shows its details in a box a few lines high; the changes of
// a save are read line by line, so the box shows as many of them as fit on
// the screen, and lines of the usual length whole.
void fitDetailsToText(QMessageBox &box, const QString &text)
{
    auto *details = box.findChild<QTextEdit *>();
    if (!details) {
        return;
    }
    const QFontMetrics metrics(details->font());
    const QStringList lines = text.split(QLatin1Char('\n'));
    int longest = 0;
    for (const QString &line : lines) {
        longest = std::max(longest, metrics.horizontalAdvance(line));
    }
    const QRect screen = box.screen() ? box.screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int frame = 2 * details->frameWidth() + 2 * int(details->document()->documentMargin()) + 4;
    const int height = std::min(int(lines.size()) * metrics.lineSpacing() + frame, screen.height() / 2);
    const int width = std::min(longest + frame + details->verticalScrollBar()->sizeHint().width(), screen.width() * 2 / 3);
    details->setMinimumSize(width, height);
}
}

void MainWindow::saveActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    // Users with errors are disabled first, so that the details show the
    // very map that is sent.
    QList<UserState *> disabled;
    if (!disableUsersWithErrors(&disabled)) {
        return;
    }
    const QString text = m_systemState.needsReboot() ? tr("New changes will take effect immediately after system reboot. Are you sure want to save changes?")
                                       : tr("New changes will take effect immediately after users relog. Are you sure want to save changes?");
    const UpdateActionsMap map = m_systemState.buildUpdateActionsMap();
    QMessageBox question(QMessageBox::Question, tr("Save changes"), text, QMessageBox::Yes | QMessageBox::No, this);
    const QString changes = UpdatePreview(map).text();
    if (!changes.isEmpty()) {
        question.setDetailedText(changes);
        fitDetailsToText(question, changes);
    }
    if (question.exec() != QMessageBox::Yes) {
        // Declined: the working copy is as it was before the question.
        for (UserState *user : std::as_const(disabled)) {
            user->setEnable(true);
        }
        updateUserEnablingActions();
        return;
    }
    if (sendChanges(map)) {
        loadData();
    }
}

bool MainWindow::saveChanges()
{
    return disableUsersWithErrors() && sendChanges(m_systemState.buildUpdateActionsMap());
}

bool MainWindow::disableUsersWithErrors(QList<UserState *> *disabled)
{
    const QList<UserState *> withErrors = m_systemState.usersWithErrors(true);
    const QString question =
        tr("User(s) %1 has errors. To save changes these user(s) will be disabled. New changes "
           "will take effect immediately after system reboot. Continue?",
           nullptr,
           withErrors.size());
    if (!disableAfterAsking(withErrors, question)) {
        return false;
    }
    if (disabled) {
        *disabled = withErrors;
    }
    return true;
}

bool MainWindow::disableAfterAsking(const QList<UserState *> &users, const QString &question)
{
    if (users.isEmpty()) {
        return true;
    }
    QStringList names;
    for (const UserState *user : users) {
        names << user->name();
    }
    const auto answer = QMessageBox::question(this,
                                              tr("Has errors"),
                                              Utils::messageText(question.arg(joinNames(names, QStringLiteral("'")))),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return false;
    }
    for (UserState *user : users) {
        user->setEnable(false);
    }
    updateUserEnablingActions();
    return true;
}

bool MainWindow::sendChanges(const UpdateActionsMap &map)
{
    return helperDone(tr("Save error"), [&map] {
        return SystemState::save(map);
    });
}

bool MainWindow::helperDone(const QString &errorTitle, const std::function<bool()> &action)
{
    try {
        return action();
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, errorTitle, Utils::messageText(e.fullDetails()));
        return false;
    }
}

void MainWindow::restoreConfigurationActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    const bool restored = helperDone(tr("Restore error"), [this] {
        RestoreDialog dialog(SystemState::snapshots(), &SystemState::snapshotPreview, this);
        return dialog.exec() == QDialog::Accepted && SystemState::restoreSnapshot(dialog.chosenId());
    });
    if (restored) {
        loadData();
    }
}

void MainWindow::cancelChangesActionTriggered()
{
    const bool changed = m_systemState.isChanged();
    const auto answer = changed
        ? QMessageBox::question(this, tr("Cancel changes"), tr("Are you sure want to cancel changes?"), QMessageBox::Yes | QMessageBox::No)
        : QMessageBox::question(this, tr("Reload data"), tr("Are you sure want to read data from system again?"), QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    if (loadData()) {
        checkReadOnly(true);
    }
}

void MainWindow::changeKioskMode(bool on)
{
    QStringList warnings;
    const bool changed = helperDone(tr("Kiosk mode changing error"), [on, &warnings] {
        return SystemState::setKioskMode(on, &warnings);
    });
    if (!changed) {
        return;
    }
    refreshModes();
    // Sessions confined from now on are the users' next logins; what still
    // runs unconfined is named, since only the administrator can end it.
    if (!warnings.isEmpty()) {
        QMessageBox::warning(this,
                             tr("Kiosk mode"),
                             Utils::messageText(tr("New changes will take effect immediately after users relogin. ") + warnings.join(QLatin1Char('\n'))));
    }
}

void MainWindow::disableKioskModeActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    const auto answer =
        QMessageBox::question(this, tr("Disable kiosk mode"), tr("Are you sure want to disable kiosk mode?"), QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        changeKioskMode(false);
    }
}

void MainWindow::enableKioskModeActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    const QString noUsers = tr("To enable kiosk mode need have active user profiles");
    if (warnIfNoEnabledUsers(noUsers)) {
        return;
    }

    const QList<UserState *> withErrors = m_systemState.usersWithErrors(false);
    if (!withErrors.isEmpty()) {
        if (!disableAfterAsking(withErrors,
                                tr("User(s) %1 has errors. To enable kiosk mode these user(s) will be disabled. Continue?", nullptr, withErrors.size()))) {
            return;
        }
    } else if (m_systemState.isChanged()) {
        const QString text = tr("To enable kiosk mode you need to save the changes. ")
            + (m_systemState.needsReboot() ? tr("New changes will take effect immediately after system reboot. ")
                             : tr("New changes will take effect immediately after users relogin. "))
            + tr("Do you want to save changes and enable kiosk mode?");
        if (QMessageBox::question(this, tr("Unsaved changes"), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
    } else {
        const auto answer =
            QMessageBox::question(this, tr("Enable kiosk mode"), tr("Are you sure want to enable kiosk mode?"), QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return;
        }
    }

    if (warnIfNoEnabledUsers(noUsers)) {
        return;
    }
    if (m_systemState.isChanged()) {
        if (!saveChanges() || !loadData()) {
            return;
        }
    }
    if (warnIfNoEnabledUsers(noUsers)) {
        return;
    }
    changeKioskMode(true);
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MAINWINDOW_H
#define ORLA_MAINWINDOW_H

#include "state/kioskmodes.h"
#include "state/systemstate.h"

#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ProfileState;
class ProfileWidgetItem;
class QListWidget;
class QListWidgetItem;
class UnknownProfileWidgetItem;
class UserState;

namespace Ui
{
class MainWindow;
}

/**
 * The program's only window: kiosk users on the left, system profiles on the
 * right with a check box for each profile the selected user includes.
 *
 * It owns the working copy of the kiosk configuration. Every change the
 * administrator makes lands in that copy; only saving and switching kiosk
 * mode reach the system, through the privileged helper.
 */
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /**
     * Reads the whole kiosk configuration again and rebuilds the lists.
     * False when something could not be read: the administrator has been
     * told, and the window keeps showing the working copy it had.
     */
    bool loadData();

    // The checks run after loading: integrity level, a global recording to
    // complete, switches that disagree, kiosk mode without anyone to confine.
    void checkReadOnly(bool checkRecording);
    // Offers to complete a running global recording until it is completed,
    // the module has left trace mode, or the program quits.
    void checkRecording();
    void checkConfiguration();
    void checkActiveUsers();

    void updateStatusLine(const KioskModes &modes);

    // False when nothing was saved (declined, refused or failed).
    bool saveChanges();
    // Asks to disable the changed users with errors, as a save must; false when declined.
    bool disableUsersWithErrors(QList<UserState *> *disabled = nullptr);
    // Asks with the question (%1: the names), then disables the users; false when declined.
    bool disableAfterAsking(const QList<UserState *> &users, const QString &question);
    bool sendChanges(const UpdateActionsMap &map);
    // Runs a helper action; false when refused or failed, a failure told under @p errorTitle.
    bool helperDone(const QString &errorTitle, const std::function<bool()> &action);
    void changeKioskMode(bool on);

    // 'a', 'b' and 'c' for the quote "'".
    static QString joinNames(const QStringList &names, const QString &quote);

    UserState *selectedUser() const;
    ProfileState *selectedProfile() const;

    SystemState *systemState();

public Q_SLOTS:
    void cancelChangesActionTriggered();
    void saveActionTriggered();
    void restoreConfigurationActionTriggered();
    void enableKioskModeActionTriggered();
    void disableKioskModeActionTriggered();
    void createUserActionTriggered();
    void deleteUserActionTriggered();
    void createProfileActionTriggered();
    void editProfileActionTriggered();
    void deleteProfileActionTriggered();
    void enableUserActionTriggered();
    void disableUserActionTriggered();
    void showUserStatusTriggered();
    void showProfileStatusTriggered();
    void globalRecordingModeTriggered();
    void usersWidgetContextMenuRequested(const QPoint &position);
    void profilesWidgetContextMenuRequested(const QPoint &position);
    void usersSelectionChanged();
    void profilesSelectionChanged();
    void profileItemDoubleClicked(const QModelIndex &index);
    void profileItemChanged(QListWidgetItem *item);
    void systemStateChanged(bool changed);
    void userStatusChanged();
    void profileStatusChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillUsers(const QSet<UserState *> &users);
    void fillProfiles(const QSet<ProfileState *> &profiles, const QStringList &checkedNames);
    void appendUserItem(UserState *user);
    void appendProfileItem(ProfileWidgetItem *item);
    void updateUserEnablingActions();
    void statusChangedOf(QListWidget *list, QAction *showStatus);

    // Shows the system state as the last reload or stop left it.
    void showSystemState();
    // Reads the switches again for the status line; false when they could not be read.
    bool refreshModes();
    // Lets every item show its state's status again.
    void announceAllStatuses();
    // Asks how to complete a recording; empty when the box was closed unanswered, else whether to ignore the data.
    std::optional<bool> askCompletion(const QString &title, const QString &text);
    // @p enforceBefore: kiosk mode now as the recording found it, when known.
    void finishRecording(const GlobalRecordResult &result, bool ignoreData, std::optional<bool> enforceBefore);
    void offerLeavingTraceMode();

    bool isReadOnly() const;
    // The module is in trace mode: a global recording runs, or ran and was not completed.
    bool isRecording() const;
    bool warnIfNoEnabledUsers(const QString &text);
    QString statusSummary(const QSet<int> &status) const;

    SystemState m_systemState;
    std::unique_ptr<Ui::MainWindow> ui;
    QSet<UnknownProfileWidgetItem *> m_unknownProfileItems;
    // Until a load succeeds, the empty working copy must not be saved over the system.
    bool m_loaded = false;
    // Kiosk mode now when this window started the running recording.
    std::optional<bool> m_enforceBeforeRecording;
};

#endif

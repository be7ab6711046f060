/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "desktop/orlahelpmenu.h"
#include "dialogs/createprofiledialog.h"
#include "dialogs/createuserdialog.h"
#include "dialogs/editprofiledialog.h"
#include "dialogs/restoredialog.h"
#include "failures/kauthexception.h"
#include "failures/readfileexception.h"
#include "items/profilewidgetitem.h"
#include "items/unknownprofilewidgetitem.h"
#include "items/userwidgetitem.h"
#include "messagetext.h"
#include "profile/includerule.h"
#include "profile/profilestatus.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"
#include "store/mainwindowsettings.h"
#include "store/updatepreview.h"
#include "system/systemusers.h"
#include "system/user.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <QPushButton>
#include <QToolBar>
#include <utility>

#include <algorithm>

namespace
{
// An action keeps no icon at all when the theme lacks every name given.
void setThemeIcon(QAction *action, const QString &name, const QString &fallback = QString())
{
    if (QIcon::hasThemeIcon(name)) {
        action->setIcon(QIcon::fromTheme(name));
    } else if (!fallback.isEmpty() && QIcon::hasThemeIcon(fallback)) {
        action->setIcon(QIcon::fromTheme(fallback));
    } else {
        action->setIcon(QIcon());
    }
}

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

QString onOff(bool on)
{
    return on ? MainWindow::tr("On") : MainWindow::tr("Off");
}
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);

    setThemeIcon(ui->actionCancelChanges, QStringLiteral("edit-undo"));
    setThemeIcon(ui->actionSaveChanges, QStringLiteral("document-save"));
    setThemeIcon(ui->actionExit, QStringLiteral("application-exit"));
    setThemeIcon(ui->actionEnableKioskMode, QStringLiteral("media-playback-start"));
    setThemeIcon(ui->actionAddUser, QStringLiteral("list-add"));
    setThemeIcon(ui->actionDeleteUser, QStringLiteral("list-remove"));
    setThemeIcon(ui->actionCreateProfile, QStringLiteral("list-add"));
    setThemeIcon(ui->actionDeleteProfile, QStringLiteral("list-remove"));
    setThemeIcon(ui->actionEditProfile, QStringLiteral("document-edit"));
    setThemeIcon(ui->actionDisableUser, QStringLiteral("media-playback-pause"));
    setThemeIcon(ui->actionDisableKioskMode, QStringLiteral("media-playback-stop"));
    // The desktop's own play icon; themes that lack it call it by its standard name.
    // Without any, the tool bar would show the action's long text instead.
    setThemeIcon(ui->actionEnableUser, QStringLiteral("noatunplay"), QStringLiteral("media-playback-start"));
    setThemeIcon(ui->actionShowUserStatus, QStringLiteral("dialog-warning"));
    setThemeIcon(ui->actionShowProfileStatus, QStringLiteral("dialog-warning"));
    setThemeIcon(ui->actionGlobalRecordingMode, QStringLiteral("media-record"));

    menuBar()->addMenu(new OrlaHelpMenu(this));

    // Small icons, so that a group's actions fit above its half of the window.
    auto *usersToolBar = new QToolBar(tr("Users action panel"), ui->usersGroupBox);
    usersToolBar->setIconSize(QSize(16, 16));
    usersToolBar->addActions(ui->menuUsers->actions());
    ui->verticalLayout_4->setMenuBar(usersToolBar);
    auto *profilesToolBar = new QToolBar(tr("Profiles action panel"), ui->profilesGroupBox);
    profilesToolBar->setIconSize(QSize(16, 16));
    profilesToolBar->addActions(ui->menuProfiles->actions());
    ui->verticalLayout_2->setMenuBar(profilesToolBar);

    auto *hint = new QLabel(
        tr("When choosing a profile for a graphical application, be sure to also select a profile for the graphical session, the default is 'orla-desktop'."),
        ui->statusBar);
    hint->setWordWrap(true);
    ui->statusBar->addPermanentWidget(hint, 1);

    connect(ui->actionCancelChanges, &QAction::triggered, this, &MainWindow::cancelChangesActionTriggered);
    connect(ui->actionSaveChanges, &QAction::triggered, this, &MainWindow::saveActionTriggered);
    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionEnableKioskMode, &QAction::triggered, this, &MainWindow::enableKioskModeActionTriggered);
    connect(ui->actionDisableKioskMode, &QAction::triggered, this, &MainWindow::disableKioskModeActionTriggered);
    connect(ui->actionAddUser, &QAction::triggered, this, &MainWindow::createUserActionTriggered);
    connect(ui->actionDeleteUser, &QAction::triggered, this, &MainWindow::deleteUserActionTriggered);
    connect(ui->actionCreateProfile, &QAction::triggered, this, &MainWindow::createProfileActionTriggered);
    connect(ui->actionEditProfile, &QAction::triggered, this, &MainWindow::editProfileActionTriggered);
    connect(ui->actionRestoreConfiguration, &QAction::triggered, this, &MainWindow::restoreConfigurationActionTriggered);
    connect(ui->actionDeleteProfile, &QAction::triggered, this, &MainWindow::deleteProfileActionTriggered);
    connect(ui->actionEnableUser, &QAction::triggered, this, &MainWindow::enableUserActionTriggered);
    connect(ui->actionDisableUser, &QAction::triggered, this, &MainWindow::disableUserActionTriggered);
    connect(ui->actionShowUserStatus, &QAction::triggered, this, &MainWindow::showUserStatusTriggered);
    connect(ui->actionShowProfileStatus, &QAction::triggered, this, &MainWindow::showProfileStatusTriggered);
    connect(ui->actionGlobalRecordingMode, &QAction::triggered, this, &MainWindow::globalRecordingModeTriggered);

    connect(ui->profilesListWidget, &QListWidget::itemChanged, this, &MainWindow::profileItemChanged);
    connect(ui->usersListWidget, &QWidget::customContextMenuRequested, this, &MainWindow::usersWidgetContextMenuRequested);
    connect(ui->profilesListWidget, &QWidget::customContextMenuRequested, this, &MainWindow::profilesWidgetContextMenuRequested);
    connect(ui->usersListWidget, &QListWidget::itemSelectionChanged, this, &MainWindow::usersSelectionChanged);
    connect(ui->profilesListWidget, &QListWidget::itemSelectionChanged, this, &MainWindow::profilesSelectionChanged);
    connect(ui->profilesListWidget, &QListWidget::doubleClicked, this, &MainWindow::profileItemDoubleClicked);
    connect(&m_systemState, &State::wasChanged, this, &MainWindow::systemStateChanged);

    const Settings::MainWindow settings;
    // Without saved geometry the form's size holds, which leaves both lists usable.
    restoreGeometry(settings.geometry());
    restoreState(settings.state());

    systemStateChanged(m_systemState.isChanged());
    usersSelectionChanged();
    profilesSelectionChanged();
}

MainWindow::~MainWindow()
{
    // The items point into the system state, which is destroyed before the
    // lists; nothing may reach the slots while the window comes apart.
    ui->usersListWidget->disconnect(this);
    ui->profilesListWidget->disconnect(this);
    m_systemState.disconnect(this);
    ui->profilesListWidget->clear();
    ui->usersListWidget->clear();
}

SystemState *MainWindow::systemState()
{
    return &m_systemState;
}

bool MainWindow::isReadOnly() const
{
    return !m_loaded || m_systemState.readOnlyInfo().readOnly;
}

bool MainWindow::isRecording() const
{
    return m_systemState.modes().complain;
}

// ---------------------------------------------------------------------------
// Loading and the checks after it

bool MainWindow::loadData()
{
    try {
        m_systemState.reload();
    } catch (const DetailsException &e) {
        QMessageBox::critical(this, tr("Data reading error"), Utils::messageText(e.fullDetails()));
        // A first load that failed leaves the window read-only; say so.
        updateStatusLine(m_systemState.modes());
        return false;
    }
    m_loaded = true;
    showSystemState();
    return true;
}

void MainWindow::showSystemState()
{
    fillUsers(m_systemState.users());
    // The profiles list must not keep items of states the reload deleted,
    // whether or not clearing the users list announced a selection change.
    usersSelectionChanged();
    profilesSelectionChanged();
    updateStatusLine(m_systemState.modes());
}

bool MainWindow::refreshModes()
{
    try {
        m_systemState.readModes();
    } catch (const DetailsException &e) {
        QMessageBox::critical(this, tr("Data reading error"), Utils::messageText(e.fullDetails()));
        return false;
    }
    updateStatusLine(m_systemState.modes());
    return true;
}

void MainWindow::checkReadOnly(bool checkRecording)
{
    if (isReadOnly()) {
        ui->actionAddUser->setEnabled(false);
        if (m_systemState.readOnlyInfo().reasons.contains(ReadOnlyInfo::ReasonNoMaxIntegrity)) {
            QMessageBox::warning(this, tr("Warning"), tr("To administer the system you must log in to the session under a high level of integrity"));
        }
        return;
    }
    ui->actionAddUser->setEnabled(true);
    if (checkRecording) {
        this->checkRecording();
    }
    // Trace mode switches enforcing off: that is the recording's doing, not
    // a configuration to put right, and kiosk mode waits for its end.
    if (isRecording()) {
        return;
    }
    checkConfiguration();
    checkActiveUsers();
}

void MainWindow::checkConfiguration()
{
    const KioskModes modes = m_systemState.modes();
    if (modes.enforce == modes.autoEnforce) {
        return;
    }
    QMessageBox box(QMessageBox::Question,
                    tr("Incorrect kiosk mode configuration detected"),
                    tr("Kiosk mode is currently <b>%1</b>, but after rebooting system will be turned <b>%2</b>")
                        .arg(onOff(modes.enforce).toLower(), onOff(modes.autoEnforce).toLower()),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore,
                    this);
    box.button(QMessageBox::Yes)->setText(tr("Enable all"));
    box.button(QMessageBox::No)->setText(tr("Disable all"));
    box.button(QMessageBox::Ignore)->setText(tr("Leave as is"));
    box.setEscapeButton(QMessageBox::Ignore);
    switch (box.exec()) {
    case QMessageBox::Yes:
        changeKioskMode(true);
        break;
    case QMessageBox::No:
        changeKioskMode(false);
        break;
    default:
        break;
    }
}

void MainWindow::checkActiveUsers()
{
    if (!m_systemState.modes().enforce || m_systemState.hasEnabledUsers()) {
        return;
    }
    const auto answer = QMessageBox::question(this,
                                              tr("There are no active kiosk users"),
                                              tr("Kiosk mode is enabled, but there are no active kiosk users. Do you want to disable kiosk mode?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        changeKioskMode(false);
    }
}

void MainWindow::updateStatusLine(const KioskModes &modes)
{
    const bool readOnly = isReadOnly();
    // The helper answers nothing but the recording's stop while a recording
    // runs: an action sent meanwhile would wait for ever.
    ui->actionEnableKioskMode->setEnabled(!readOnly && !modes.complain && !modes.enforce);
    ui->actionDisableKioskMode->setEnabled(!readOnly && !modes.complain && modes.enforce);
    ui->actionGlobalRecordingMode->setCheckable(modes.complain);
    ui->actionGlobalRecordingMode->setChecked(modes.complain);
    ui->actionGlobalRecordingMode->setEnabled(!readOnly);
    systemStateChanged(m_systemState.isChanged());
    // Trace mode means a recording runs: the helper would answer another one as busy.
    ui->actionCreateProfile->setEnabled(!readOnly && !modes.complain);

    const QString now = onOff(modes.enforce);
    const QString after = onOff(modes.autoEnforce);
    QStringList parts;
    if (readOnly) {
        parts << tr("Read only mode");
    }
    if (modes.enforce == modes.autoEnforce) {
        parts << tr("Kiosk mode: <b>%1</b>").arg(now);
    } else {
        parts << tr("Kiosk mode now: <b>%1</b>, after reboot will: <b>%2</b>").arg(now, after);
    }
    if (modes.complain) {
        parts << tr("Global kiosk rules record mode: <b>Enabled</b>");
    }
    ui->statusLabel->setText(parts.join(QStringLiteral(". ")));
}

// ---------------------------------------------------------------------------
// Texts

QString MainWindow::joinNames(const QStringList &names, const QString &quote)
{
    if (names.isEmpty()) {
        return QString();
    }
    QStringList quoted;
    for (const QString &name : names) {
        quoted << quote + name + quote;
    }
    const QString last = quoted.takeLast();
    QString joined = quoted.join(QStringLiteral(", "));
    if (!joined.isEmpty()) {
        joined += QLatin1Char(' ') + tr("and") + QLatin1Char(' ');
    }
    return joined + last;
}

QString MainWindow::statusSummary(const QSet<int> &status) const
{
    // Sorted so that the same status always reads the same.
    QList<int> codes = status.values();
    std::sort(codes.begin(), codes.end());
    QStringList texts;
    for (int code : std::as_const(codes)) {
        texts << ProfileStatus::text(code);
    }
    return joinNames(texts, QString());
}

// ---------------------------------------------------------------------------
// Lists

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
        if (leftOver.removeAll(profile->name()) > 0) {
            item->setCheckState(Qt::Checked);
        } else {
            item->setCheckState(Qt::Unchecked);
        }
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
    if (user) {
        const QSet<int> status = user->status();
        ui->actionShowUserStatus->setVisible(!status.isEmpty());
        // A user with rules of its own has to move them into a profile before
        // profiles can be ticked for it.
        if (user->isEditable() && !status.contains(AbstractProfileState::StatusOwnObjectRules)) {
            checkedNames = includeNames(user);
            // The placeholders of unknown includes appear in name order.
            std::sort(checkedNames.begin(), checkedNames.end());
            profiles = m_systemState.profiles();
            profilesEnabled = true;
        }
    } else {
        ui->actionShowUserStatus->setVisible(false);
    }
    ui->profilesGroupBox->setEnabled(profilesEnabled);

    updateUserEnablingActions();
    fillProfiles(profiles, checkedNames);
}

void MainWindow::updateUserEnablingActions()
{
    UserState *user = selectedUser();
    if (user && !isReadOnly()) {
        ui->actionEnableUser->setEnabled(!user->isEnable());
        ui->actionDisableUser->setEnabled(user->isEnable());
    } else {
        ui->actionEnableUser->setEnabled(false);
        ui->actionDisableUser->setEnabled(false);
    }
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
        profile->setChanged(true);
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
    if (dialog.exec() == QDialog::Accepted) {
        if (m_systemState.replaceProfile(profile, dialog.profileFile())) {
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
    }
    // The profile may have become one that cannot be edited, or been renamed.
    profilesSelectionChanged();
    refreshModes();
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

void MainWindow::systemStateChanged(bool changed)
{
    const QString text = changed ? tr("Cancel changes") : tr("Reload data from system");
    ui->actionCancelChanges->setText(text);
    ui->actionCancelChanges->setToolTip(text);
    setThemeIcon(ui->actionCancelChanges, changed ? QStringLiteral("edit-undo") : QStringLiteral("view-refresh"));
    ui->actionSaveChanges->setEnabled(changed && !isReadOnly() && !isRecording());
    ui->actionRestoreConfiguration->setEnabled(!isReadOnly() && !isRecording());
}

// ---------------------------------------------------------------------------
// Users

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
    user->setChanged(true);
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

// ---------------------------------------------------------------------------
// Profiles

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

// ---------------------------------------------------------------------------
// Committing changes and kiosk mode

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
    if (!withErrors.isEmpty()) {
        QStringList names;
        for (const UserState *user : withErrors) {
            names << user->name();
        }
        const auto answer = QMessageBox::question(this,
                                                  tr("Has errors"),
                                                  Utils::messageText(tr("User(s) %1 has errors. To save changes these user(s) will be disabled. New changes "
                                                                        "will take effect immediately after system reboot. Continue?",
                                                                        nullptr,
                                                                        names.size())
                                                                         .arg(joinNames(names, QStringLiteral("'")))),
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return false;
        }
        for (UserState *user : withErrors) {
            user->setEnable(false);
        }
        updateUserEnablingActions();
        if (disabled) {
            *disabled = withErrors;
        }
    }
    return true;
}

bool MainWindow::sendChanges(const UpdateActionsMap &map)
{
    try {
        return SystemState::save(map);
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Save error"), Utils::messageText(e.fullDetails()));
        return false;
    }
}

void MainWindow::restoreConfigurationActionTriggered()
{
    if (isReadOnly()) {
        return;
    }
    QList<SnapshotsActionsMap::Entry> entries;
    try {
        entries = SystemState::snapshots();
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Restore error"), Utils::messageText(e.fullDetails()));
        return;
    }
    RestoreDialog dialog(entries, &SystemState::snapshotPreview, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    try {
        if (!SystemState::restoreSnapshot(dialog.chosenId())) {
            return;
        }
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Restore error"), Utils::messageText(e.fullDetails()));
        return;
    }
    loadData();
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
    try {
        if (!SystemState::setKioskMode(on, &warnings)) {
            return;
        }
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Kiosk mode changing error"), Utils::messageText(e.fullDetails()));
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
        QStringList names;
        for (const UserState *user : withErrors) {
            names << user->name();
        }
        const auto answer = QMessageBox::question(
            this,
            tr("Has errors"),
            Utils::messageText(tr("User(s) %1 has errors. To enable kiosk mode these user(s) will be disabled. Continue?", nullptr, names.size())
                                   .arg(joinNames(names, QStringLiteral("'")))),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return;
        }
        for (UserState *user : withErrors) {
            user->setEnable(false);
        }
        updateUserEnablingActions();
    } else if (m_systemState.isChanged()) {
        const QString text = tr("To enable kiosk mode you need to save the changes. ")
            + (m_systemState.needsReboot() ? tr("New changes will take effect immediately after system reboot. ")
                             : tr("New changes will take effect immediately after users relogin. "))
            + tr("Do you want to save changes and enable kiosk mode?");
        if (QMessageBox::question(this, tr("Unsaved changes"), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
    } else {
        if (warnIfNoEnabledUsers(noUsers)) {
            return;
        }
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

// ---------------------------------------------------------------------------
// Global recording

void MainWindow::globalRecordingModeTriggered()
{
    // The click toggled the check mark, which shows the module's mode instead.
    ui->actionGlobalRecordingMode->setChecked(ui->actionGlobalRecordingMode->isCheckable());
    ui->actionGlobalRecordingMode->setEnabled(true);
    if (isReadOnly()) {
        return;
    }
    // A second start would wait for ever on the helper busy with the first.
    if (isRecording()) {
        checkReadOnly(true);
        return;
    }

    if (warnIfNoEnabledUsers(tr("To enable global kiosk rules record need have active user profiles"))) {
        return;
    }
    if (m_systemState.isChanged()) {
        const QString text = tr("To enable global kiosk rules record you need to save the changes. ")
            + (m_systemState.needsReboot() ? tr("New changes will take effect immediately after system reboot. ")
                             : tr("New changes will take effect immediately after users relogin. "))
            + tr("Do you want to save changes and enable global kiosk rules record?");
        if (QMessageBox::question(this, tr("Unsaved changes"), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
        if (!saveChanges() || !loadData()) {
            return;
        }
    }

    QMessageBox box(QMessageBox::Question,
                    tr("Enable global kiosk rules record"),
                    tr("In the mode of global recording of kiosk rules for each kiosk user, a new profile will be created that will contain all user "
                       "actions performed during the period of activity of this mode. At the time of global recording mode the kiosk mode will be disabled."),
                    QMessageBox::Yes | QMessageBox::Cancel,
                    this);
    box.button(QMessageBox::Yes)->setText(tr("Enable"));
    if (box.exec() != QMessageBox::Yes) {
        return;
    }
    const bool enforceBefore = m_systemState.modes().enforce;
    SystemState::RecordStart started = SystemState::RecordStart::Refused;
    try {
        started = m_systemState.startGlobalRecord();
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Enable global record error"), Utils::messageText(e.fullDetails()));
        return;
    }
    if (started == SystemState::RecordStart::Refused) {
        return;
    }
    if (started == SystemState::RecordStart::Unclaimed) {
        // Its profiles are the administrator's to keep before anything new is recorded.
        const std::optional<bool> ignoreData =
            askCompletion(tr("Complete global kiosk rules record"),
                          tr("An earlier global kiosk rules record ended by itself before it was completed, and no new one has been started. Do you want to "
                             "complete it?"));
        if (ignoreData) {
            finishRecording(m_systemState.completeUnclaimedRecord(*ignoreData), *ignoreData, std::nullopt);
        }
        refreshModes();
        return;
    }
    m_enforceBeforeRecording = enforceBefore;
    if (refreshModes()) {
        checkReadOnly(true);
    }
}

std::optional<bool> MainWindow::askCompletion(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Discard | QMessageBox::Save, this);
    box.button(QMessageBox::Discard)->setText(tr("Complete and ignore collected data"));
    box.button(QMessageBox::Save)->setText(tr("Complete and create profile"));
    box.exec();
    // Neither button can close the box unanswered; only the program
    // quitting ends its loop that way, and every later box would too.
    if (!box.clickedButton()) {
        return std::nullopt;
    }
    return box.clickedButton() == box.button(QMessageBox::Discard);
}

void MainWindow::checkRecording()
{
    while (isRecording()) {
        const std::optional<bool> answer =
            askCompletion(tr("The system is in global kiosk rules record mode"),
                          tr("The system is in global kiosk rules record mode. Do you want to complete global kiosk rules record mode?"));
        if (!answer) {
            return;
        }
        const bool ignoreData = *answer;

        GlobalRecordResult result;
        bool failed = false;
        try {
            result = m_systemState.stopGlobalRecord(ignoreData);
        } catch (const KAuthException &e) {
            QMessageBox::warning(this, tr("Disable global record error"), Utils::messageText(e.fullDetails()));
            failed = true;
        }
        if (result.done) {
            finishRecording(result, ignoreData, std::exchange(m_enforceBeforeRecording, std::nullopt));
        }
        // Switches that cannot be read say nothing of a recording to
        // complete; asking on would only begin and end new ones.
        if (!refreshModes()) {
            return;
        }
        // Still in trace mode after the helper answered or failed: its
        // recording is gone or cannot end, and only the enable action takes
        // the switches out of it. A refused stop is simply asked again.
        if (isRecording() && (failed || result.done)) {
            offerLeavingTraceMode();
        }
    }
}

void MainWindow::finishRecording(const GlobalRecordResult &result, bool ignoreData, std::optional<bool> enforceBefore)
{
    // The stop reloaded the states the lists point into.
    showSystemState();
    if (!result.reloadError.isEmpty()) {
        QMessageBox::critical(this, tr("Data reading error"), Utils::messageText(result.reloadError));
    }
    if (!result.warnings.isEmpty()) {
        QMessageBox::warning(this, tr("Global record warning"), Utils::messageText(result.warnings.join(QLatin1Char('\n'))));
    }
    // Leaving trace mode sets kiosk mode now as it is set after reboot; the
    // administrator must not find kiosk users confined, or free, by surprise.
    // Without the state from before (a recording another start began), only
    // confinement coming back is worth the word.
    const bool enforceNow = m_systemState.modes().enforce;
    QString modeChange;
    if (enforceBefore ? *enforceBefore != enforceNow : enforceNow) {
        modeChange = enforceNow ? tr("Kiosk mode is on now, as it is set to be after reboot.") : tr("Kiosk mode is off now, as it is set to be after reboot.");
    }
    if (ignoreData) {
        if (!modeChange.isEmpty()) {
            QMessageBox::information(this, tr("Global record completed"), modeChange);
        }
        return;
    }
    const QString withMode = modeChange.isEmpty() ? QString() : QLatin1Char(' ') + modeChange;
    if (result.createdProfiles.isEmpty()) {
        QMessageBox::information(this, tr("No data"), tr("Nothing was recorded: no kiosk user was refused anything, so no profile was created.") + withMode);
    } else {
        QMessageBox::information(this,
                                 tr("New profiles created"),
                                 Utils::messageText(tr("After global kiosk rules record created %1 profile(s)", nullptr, result.createdProfiles.size())
                                                        .arg(joinNames(result.createdProfiles, QStringLiteral("'"))))
                                     + withMode);
    }
}

void MainWindow::offerLeavingTraceMode()
{
    const auto answer = QMessageBox::question(this,
                                              tr("Leave global kiosk rules record mode"),
                                              tr("No global kiosk rules record can be completed now, but the system is still in global kiosk rules "
                                                 "record mode. Do you want to leave this mode without collected data?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    try {
        if (!SystemState::leaveTraceMode()) {
            return;
        }
    } catch (const KAuthException &e) {
        QMessageBox::critical(this, tr("Kiosk mode changing error"), Utils::messageText(e.fullDetails()));
        return;
    }
    refreshModes();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_systemState.isChanged() && !isReadOnly()) {
        const QString text = tr("Configuration was changed. ")
            + (m_systemState.needsReboot() ? tr("If changes are seved they will take effect immediately after system reboot. ")
                             : tr("If changes are seved they will take effect immediately after users relog. "))
            + tr("Do you want to save changes?");
        const auto answer = QMessageBox::question(this, tr("Unsaved changes"), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Yes) {
            if (!saveChanges()) {
                event->ignore();
                return;
            }
        } else if (answer != QMessageBox::No) {
            event->ignore();
            return;
        }
    }

    Settings::MainWindow settings;
    settings.setGeometry(saveGeometry());
    settings.setState(saveState());
    settings.save();
    event->accept();
}

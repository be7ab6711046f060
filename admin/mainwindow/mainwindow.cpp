/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "desktop/orlahelpmenu.h"
#include "failures/readfileexception.h"
#include "messagetext.h"
#include "profile/profilestatus.h"
#include "store/mainwindowsettings.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>

#include <algorithm>
#include <utility>

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

void MainWindow::systemStateChanged(bool changed)
{
    const QString text = changed ? tr("Cancel changes") : tr("Reload data from system");
    ui->actionCancelChanges->setText(text);
    ui->actionCancelChanges->setToolTip(text);
    setThemeIcon(ui->actionCancelChanges, changed ? QStringLiteral("edit-undo") : QStringLiteral("view-refresh"));
    ui->actionSaveChanges->setEnabled(changed && !isReadOnly() && !isRecording());
    ui->actionRestoreConfiguration->setEnabled(!isReadOnly() && !isRecording());
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

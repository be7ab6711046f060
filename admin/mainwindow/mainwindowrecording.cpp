/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "failures/kauthexception.h"
#include "messagetext.h"

#include <QMessageBox>
#include <QPushButton>

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
    const bool answered = helperDone(tr("Enable global record error"), [this, &started] {
        started = m_systemState.startGlobalRecord();
        return started != SystemState::RecordStart::Refused;
    });
    if (!answered) {
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
    if (helperDone(tr("Kiosk mode changing error"), &SystemState::leaveTraceMode)) {
        refreshModes();
    }
}

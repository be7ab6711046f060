/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TRACEPROCESSDIALOG_H
#define ORLA_TRACEPROCESSDIALOG_H

#include <QDialog>
#include <QStringList>

#include <memory>

class ProfileFile;
class QAbstractButton;
class QButtonGroup;
class SystemState;
class UserState;

namespace Ui
{
class TraceProcessDialog;
}

/**
 * Asks what to record rules for: the application's command line, whether to
 * start it in a terminal, whether the kiosk user's own rules are left out of
 * the recording, and whether the recorded rules replace the profile's.
 *
 * Runs nothing itself; the caller reads the choices once exec() returned
 * Accepted and runs the recording.
 */
class TraceProcessDialog : public QDialog
{
    Q_OBJECT
public:
    /**
     * @param systemState read during construction only
     * @param profile the profile recorded into; not owned
     * @param user the kiosk user the profile belongs to, or null; not owned
     */
    TraceProcessDialog(QWidget *parent, SystemState *systemState, const ProfileFile *profile, UserState *user);
    ~TraceProcessDialog() override;

    /** The terminal's words, then the application's: the command line to run once joined with single spaces. */
    QStringList traceCommand() const;
    bool considerUserRules() const;
    bool overwriteProfile() const;
    /** The file name of the application's program; empty when the command names none. */
    QString executableName() const;

    /**
     * The words of a command line split at every single space, empty words
     * kept so that joining them gives the same spacing back; empty unless the
     * first word is an existing executable file.
     */
    static QStringList commandWords(const QString &text);

public Q_SLOTS:
    void selectExecutableButtonClicked();
    void customTerminalPushButtonClicked();
    void fromMenuButtonClicked();
    void defaultTerminalRadioButtonToggled();
    void customTerminalRadioButtonToggled();
    void usingRulesRadioButtonToggled(QAbstractButton *button, bool toggled);
    void analizeForm();

private:
    QStringList applicationCommand() const;
    QStringList terminalCommand() const;
    void fillTerminals();
    // The reason the user's own rules cannot be left out of the recording; empty when they can.
    QString userRulesUnavailableReason(SystemState *systemState) const;

    std::unique_ptr<Ui::TraceProcessDialog> ui;
    QButtonGroup *m_rulesGroup;
    const ProfileFile *m_profile;
    UserState *m_user;
};

#endif

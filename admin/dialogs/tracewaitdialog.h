/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TRACEWAITDIALOG_H
#define ORLA_TRACEWAITDIALOG_H

#include <QDialog>

class QLabel;
class QPushButton;

/**
 * Shown while an application runs for a recording: the administrator works
 * with the application meanwhile and may close it from here.
 *
 * Only the recording's end closes the dialog (exec() then returns Accepted):
 * Escape and the window's close do nothing, since a recording left behind
 * keeps the helper busy and the module in trace mode. Until the helper has
 * reported the application's process (an authorisation prompt still open, a
 * helper busy with something else) the administrator may stop waiting;
 * exec() then returns Rejected and the recording goes on without the program.
 */
class TraceWaitDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TraceWaitDialog(QWidget *parent);
    ~TraceWaitDialog() override;

    /** Returns at once, without showing anything, when the recording has ended already. */
    int exec() override;

public Q_SLOTS:
    /** The application's process id as the helper reports it; -1 once the application has ended. */
    void setApplicationPid(qint64 pid);
    /** The recording has ended, with or without success. */
    void finish();
    void reject() override;

Q_SIGNALS:
    /** The administrator asked to end the running application. */
    void closeApplicationRequested();

private:
    void updateButtons();

    QLabel *m_label;
    QPushButton *m_closeButton;
    QPushButton *m_stopWaitingButton;
    qint64 m_pid;
    bool m_pidKnown;
    bool m_closing;
    bool m_finished;
};

#endif

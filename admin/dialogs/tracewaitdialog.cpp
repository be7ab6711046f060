/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/tracewaitdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TraceWaitDialog::TraceWaitDialog(QWidget *parent)
    // A title bar without a close button: only the recording's end closes it.
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , m_label(new QLabel(tr("If the application did not appear on the screen, it may be necessary to record rules with the option 'Run in terminal'"), this))
    , m_closeButton(new QPushButton(tr("Close application"), this))
    , m_stopWaitingButton(new QPushButton(tr("Stop waiting"), this))
    , m_pid(-1)
    , m_pidKnown(false)
    , m_closing(false)
    , m_finished(false)
{
    setModal(true);
    setWindowTitle(tr("Abort application tracing"));
    m_label->setObjectName(QStringLiteral("traceWaitLabel"));
    m_label->setWordWrap(true);
    m_closeButton->setObjectName(QStringLiteral("closeApplicationButton"));
    m_stopWaitingButton->setObjectName(QStringLiteral("stopWaitingButton"));
    // Enter must neither end the application nor give up the wait by accident.
    m_closeButton->setAutoDefault(false);
    m_stopWaitingButton->setAutoDefault(false);
    m_stopWaitingButton->setToolTip(tr("Go back to the profile without the recorded rules. The recording is not stopped."));

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_stopWaitingButton, QDialogButtonBox::RejectRole);
    buttons->addButton(m_closeButton, QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(buttons);
    setMinimumWidth(380);

    connect(m_closeButton, &QPushButton::clicked, this, [this] {
        if (!m_pidKnown || m_pid < 0 || m_finished) {
            return;
        }
        m_closing = true;
        updateButtons();
        Q_EMIT closeApplicationRequested();
    });
    connect(m_stopWaitingButton, &QPushButton::clicked, this, [this] {
        if (!m_pidKnown && !m_finished) {
            done(QDialog::Rejected);
        }
    });
    updateButtons();
}

TraceWaitDialog::~TraceWaitDialog() = default;

int TraceWaitDialog::exec()
{
    // A recording refused or failed at once has ended before anything was shown.
    if (m_finished) {
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    return QDialog::exec();
}

void TraceWaitDialog::setApplicationPid(qint64 pid)
{
    m_pid = pid;
    m_pidKnown = true;
    if (pid < 0) {
        m_label->setText(tr("The application has ended. The recorded rules are being collected."));
    }
    updateButtons();
}

void TraceWaitDialog::finish()
{
    m_finished = true;
    updateButtons();
    if (isVisible()) {
        done(QDialog::Accepted);
    }
}

void TraceWaitDialog::reject()
{
    // Escape and closing the window: the recording decides when this ends.
}

void TraceWaitDialog::updateButtons()
{
    m_closeButton->setEnabled(m_pidKnown && m_pid >= 0 && !m_closing && !m_finished);
    m_stopWaitingButton->setVisible(!m_pidKnown && !m_finished);
}

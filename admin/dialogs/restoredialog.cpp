/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/restoredialog.h"

#include "failures/detailsexception.h"
#include "messagetext.h"
#include "store/updatepreview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

RestoreDialog::RestoreDialog(const QList<SnapshotsActionsMap::Entry> &entries, Preview preview, QWidget *parent)
    : QDialog(parent)
    , m_entries(entries)
    , m_preview(std::move(preview))
    , m_list(new QListWidget(this))
    , m_changes(new QPlainTextEdit(this))
{
    setWindowTitle(tr("Restore earlier configuration"));
    m_list->setObjectName(QStringLiteral("snapshotList"));
    m_changes->setObjectName(QStringLiteral("changesText"));
    m_changes->setReadOnly(true);
    m_changes->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (const SnapshotsActionsMap::Entry &entry : entries) {
        m_list->addItem(tr("Before the save of %1: %2").arg(QLocale().toString(entry.time.toLocalTime(), QLocale::ShortFormat), entry.summary));
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(tr("Restore"), QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setEnabled(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &RestoreDialog::restoreClicked);
    connect(m_list, &QListWidget::currentRowChanged, this, &RestoreDialog::showPreview);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Earlier configurations, newest first:"), this));
    layout->addWidget(m_list);
    layout->addWidget(new QLabel(tr("What restoring the selected one would change:"), this));
    layout->addWidget(m_changes, 1);
    layout->addWidget(buttons);
    resize(700, 500);
    // The newest is the one most often wanted: the save just made.
    if (!entries.isEmpty()) {
        m_list->setCurrentRow(0);
    }
}

RestoreDialog::~RestoreDialog() = default;

QString RestoreDialog::chosenId() const
{
    return m_chosen;
}

QString RestoreDialog::selectedId() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_entries.size() ? m_entries.at(row).id : QString();
}

void RestoreDialog::showPreview()
{
    const QString id = selectedId();
    m_restore->setEnabled(!id.isEmpty());
    if (id.isEmpty()) {
        m_changes->clear();
        return;
    }
    try {
        const QString text = UpdatePreview(m_preview(id)).text();
        m_changes->setPlainText(text.isEmpty() ? tr("Restoring it changes nothing.") : text);
    } catch (const DetailsException &e) {
        m_changes->setPlainText(e.fullDetails());
        m_restore->setEnabled(false);
    }
}

void RestoreDialog::restoreClicked()
{
    const QString id = selectedId();
    if (id.isEmpty()) {
        return;
    }
    const auto answer = QMessageBox::question(this,
                                              tr("Restore earlier configuration"),
                                              tr("Restore the selected configuration? Unsaved changes are lost. The restore can itself be undone later."),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        m_chosen = id;
        accept();
    }
}

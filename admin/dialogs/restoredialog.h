/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_RESTOREDIALOG_H
#define ORLA_RESTOREDIALOG_H

#include "protocol/snapshotsactionsmap.h"
#include "protocol/updateactionsmap.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

/**
 * Lists the earlier configurations the helper keeps, shows for the one
 * selected what restoring it would change, and asks before it is restored.
 * Accepted: chosenId() is the one to restore.
 */
class RestoreDialog : public QDialog
{
    Q_OBJECT

public:
    /** @p preview gives the update that restoring an id would send (it may throw). */
    using Preview = std::function<UpdateActionsMap(const QString &id)>;

    RestoreDialog(const QList<SnapshotsActionsMap::Entry> &entries, Preview preview, QWidget *parent = nullptr);
    ~RestoreDialog() override;

    QString chosenId() const;

private:
    void showPreview();
    void restoreClicked();
    QString selectedId() const;

    QList<SnapshotsActionsMap::Entry> m_entries;
    Preview m_preview;
    QListWidget *m_list;
    QPlainTextEdit *m_changes;
    QPushButton *m_restore;
    QString m_chosen;
};

#endif

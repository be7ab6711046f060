/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_FILESELECTIONDIALOG_H
#define ORLA_FILESELECTIONDIALOG_H

#include <QFileDialog>

/**
 * Picks one or more existing files whose rules the profile editor adds.
 * Hidden entries are not listed.
 */
class FileSelectionDialog : public QFileDialog
{
    Q_OBJECT
public:
    FileSelectionDialog(QWidget *parent, const QString &directory);
    ~FileSelectionDialog() override;
};

#endif

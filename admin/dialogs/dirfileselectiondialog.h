/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_DIRFILESELECTIONDIALOG_H
#define ORLA_DIRFILESELECTIONDIALOG_H

#include <QFileDialog>

/**
 * Picks a directory; the profile editor adds a rule for every file below it.
 *
 * Only directories are shown and hidden ones are not offered.
 */
class DirFileSelectionDialog : public QFileDialog
{
    Q_OBJECT
public:
    DirFileSelectionDialog(QWidget *parent, const QString &directory);
    ~DirFileSelectionDialog() override;
};

#endif

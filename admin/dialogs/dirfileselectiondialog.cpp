/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/dirfileselectiondialog.h"

DirFileSelectionDialog::DirFileSelectionDialog(QWidget *parent, const QString &directory)
    : QFileDialog(parent, QObject::tr("Select directory with files"), directory)
{
    // Qt's own dialog behaves the same on every desktop and can be driven by
    // the window tests; the platform's dialog may not honour the entry filter.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    setFilter(QDir::AllEntries | QDir::System);
    // After the filter: the option takes the files out of whatever filter is set.
    setOption(QFileDialog::ShowDirsOnly);
}

DirFileSelectionDialog::~DirFileSelectionDialog() = default;

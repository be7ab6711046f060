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
    // "." and ".." are no files to allow: the parent is one step up in the dialog anyway.
    setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    // After the filter: the option takes the files out of whatever filter is set.
    setOption(QFileDialog::ShowDirsOnly);
}

DirFileSelectionDialog::~DirFileSelectionDialog() = default;

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/fileselectiondialog.h"

FileSelectionDialog::FileSelectionDialog(QWidget *parent, const QString &directory)
    : QFileDialog(parent, QObject::tr("Select files"), directory)
{
    // Qt's own dialog behaves the same on every desktop and can be driven by
    // the window tests; the platform's dialog may not honour the entry filter.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    // "." and ".." are no files to allow: the parent is one step up in the dialog anyway.
    setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

FileSelectionDialog::~FileSelectionDialog() = default;

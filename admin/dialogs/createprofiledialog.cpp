/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/createprofiledialog.h"

#include "messagetext.h"
#include "state/systemstate.h"

#include <QLineEdit>
#include <QMessageBox>

CreateProfileDialog::CreateProfileDialog(SystemState *systemState, AbstractProfileState *user, QWidget *parent)
    : EditProfileDialog(ProfileFile(QString(), false), systemState, user, parent)
{
    setWindowTitle(tr("Create new profile"));
}

CreateProfileDialog::~CreateProfileDialog() = default;

void CreateProfileDialog::accept()
{
    const QString name = profileNameLineEdit()->text();
    if (systemState()->hasProfile(name)) {
        QMessageBox::critical(this, tr("Profile name error"), Utils::messageText(tr("Profile with '%1' name exist").arg(name)), QMessageBox::Ok);
        return;
    }
    EditProfileDialog::accept();
}

void CreateProfileDialog::traceAppActionTriggered()
{
    QString executableName;
    if (traceApplication(&executableName)) {
        // Set as it is: a program's name may hold characters a typed name may not.
        profileNameLineEdit()->setText(executableName);
    }
}

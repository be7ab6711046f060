/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/createuserdialog.h"
#include "ui_createuserdialog.h"

#include "profile/userprofilefile.h"

#include <QPushButton>

#include <algorithm>

CreateUserDialog::CreateUserDialog(const QSet<QString> &userNames, const QList<const UserProfileFile *> &kioskUsers, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::createUserDialog>())
{
    ui->setupUi(this);

    QStringList names = userNames.values();
    std::sort(names.begin(), names.end());
    for (const QString &name : std::as_const(names)) {
        ui->usersComboBox->addItem(name, name);
    }

    QList<const UserProfileFile *> profiles = kioskUsers;
    std::sort(profiles.begin(), profiles.end(), [](const UserProfileFile *a, const UserProfileFile *b) {
        return a->name() < b->name();
    });
    for (const UserProfileFile *profile : std::as_const(profiles)) {
        const QString text = profile->isEnable() ? profile->name() : tr("%1 (disabled)").arg(profile->name());
        ui->otherUsersComboBox->addItem(text, QVariant::fromValue(profile));
    }

    connect(ui->copyUserCheckBox, &QCheckBox::stateChanged, this, &CreateUserDialog::copyUserCheckboxStateChanged);
    ui->copyUserCheckBox->setEnabled(ui->otherUsersComboBox->count() > 0);

    copyUserCheckboxStateChanged(ui->copyUserCheckBox->checkState());
    updateOkButton();

    // Account names run to 32 characters: the lists grow with the longest
    // name, and the dialog is never narrower than a name of that length.
    for (QComboBox *box : {ui->usersComboBox, ui->otherUsersComboBox}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    const int nameWidth = fontMetrics().horizontalAdvance(QString(32, QLatin1Char('m')));
    setMinimumWidth(std::max(minimumSizeHint().width(), nameWidth));
    adjustSize();
}

CreateUserDialog::~CreateUserDialog() = default;

QString CreateUserDialog::selectedUserName() const
{
    return ui->usersComboBox->currentData().toString();
}

const UserProfileFile *CreateUserDialog::copiedUserProfile() const
{
    if (!ui->copyUserCheckBox->isChecked()) {
        return nullptr;
    }
    return ui->otherUsersComboBox->currentData().value<const UserProfileFile *>();
}

void CreateUserDialog::copyUserCheckboxStateChanged(int state)
{
    const bool copy = state == Qt::Checked;
    ui->otherUsersComboBox->setEnabled(copy);
    ui->otherUsersComboBox->setCurrentIndex(copy && ui->otherUsersComboBox->count() > 0 ? 0 : -1);
    updateOkButton();
}

void CreateUserDialog::updateOkButton()
{
    const bool noUser = ui->usersComboBox->currentIndex() < 0;
    const bool noCopy = ui->copyUserCheckBox->isChecked() && ui->otherUsersComboBox->currentIndex() < 0;
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!noUser && !noCopy);
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_CREATEUSERDIALOG_H
#define ORLA_CREATEUSERDIALOG_H

#include "profile/userprofilefile.h"

#include <QDialog>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>

namespace Ui
{
class createUserDialog;
}

/**
 * Asks which system account becomes a kiosk user and, optionally, whose rules
 * it starts with. Changes nothing itself.
 *
 * The profile files offered for copying belong to the caller and must outlive
 * the dialog.
 */
class CreateUserDialog : public QDialog
{
    Q_OBJECT
public:
    CreateUserDialog(const QSet<QString> &userNames, const QList<const UserProfileFile *> &kioskUsers, QWidget *parent = nullptr);
    ~CreateUserDialog() override;

    QString selectedUserName() const;
    // Null unless copying was asked for.
    const UserProfileFile *copiedUserProfile() const;

public Q_SLOTS:
    void copyUserCheckboxStateChanged(int state);

private:
    void updateOkButton();

    std::unique_ptr<Ui::createUserDialog> ui;
};

Q_DECLARE_METATYPE(const UserProfileFile *)

#endif

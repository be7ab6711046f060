/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_CREATEPROFILEDIALOG_H
#define ORLA_CREATEPROFILEDIALOG_H

#include "dialogs/editprofiledialog.h"

/**
 * The profile editor for a profile that does not exist yet. It refuses a
 * name another profile has, and after recording an application's rules
 * proposes the application's file name as the profile's name.
 *
 * profileFile() hands back a profile whose exists flag is false.
 */
class CreateProfileDialog : public EditProfileDialog
{
    Q_OBJECT
public:
    CreateProfileDialog(SystemState *systemState, AbstractProfileState *user, QWidget *parent = nullptr);
    ~CreateProfileDialog() override;

public Q_SLOTS:
    void accept() override;
    void traceAppActionTriggered() override;
};

#endif

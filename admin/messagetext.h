/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MESSAGETEXT_H
#define ORLA_MESSAGETEXT_H

#include <QString>

namespace Utils
{
/**
 * @p text as a message box must be given it to show it word for word.
 *
 * A message box takes its text for rich text as soon as it looks like markup,
 * and profile, file and account names are anyone's choice: a name such as
 * "<img src=...>" would be rendered, not shown. Such a text comes back
 * escaped as rich text; any other comes back as it is. Control and format
 * characters other than line breaks come back escaped (Utils::printable()).
 */
QString messageText(const QString &text);
}

#endif

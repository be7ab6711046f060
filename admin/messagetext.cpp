/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "messagetext.h"

#include <QTextDocument>

QString Utils::messageText(const QString &text)
{
    // The same test the message box applies: what it would read as plain
    // text is shown as plain text already.
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

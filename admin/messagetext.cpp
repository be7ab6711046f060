/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "messagetext.h"

#include "profile/printable.h"

#include <QTextDocument>

QString Utils::messageText(const QString &raw)
{
    // A format character in a name (a right-to-left override) would turn the
    // sentence around; the sentences' own line breaks stay.
    const QString text = printable(raw, LineBreaks::Keep);
    // The same test the message box applies: what it would read as plain
    // text is shown as plain text already.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

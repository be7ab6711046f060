/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/printable.h"

namespace
{
bool needsEscape(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString escaped(char16_t unit)
{
    return unit < 0x100 ? QStringLiteral("\\x%1").arg(unit, 2, 16, QLatin1Char('0')) : QStringLiteral("\\u%1").arg(unit, 4, 16, QLatin1Char('0'));
}
}

QString Utils::printable(const QString &text, LineBreaks lineBreaks)
{
    QString shown;
    shown.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            shown += c;
            shown += text.at(++i);
        } else if (lineBreaks == LineBreaks::Keep && (c == QLatin1Char('\n') || c == QLatin1Char('\t'))) {
            shown += c;
        } else if (c.isSurrogate() || needsEscape(c)) {
            shown += escaped(c.unicode());
        } else {
            shown += c;
        }
    }
    return shown;
}

QString Utils::printable(const QString &text, int maxLength)
{
    if (text.size() <= maxLength) {
        return printable(text);
    }
    // Not between the two halves of a surrogate pair.
    int cut = maxLength;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate()) {
        --cut;
    }
    return printable(text.left(cut)) + QChar(0x2026);
}

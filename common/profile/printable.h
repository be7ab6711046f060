/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PRINTABLE_H
#define ORLA_PRINTABLE_H

#include "orlacommon_export.h"

#include <QString>

namespace Utils
{
enum class LineBreaks {
    Escape,
    Keep, // line feeds and tabs stay as they are
};

/**
 * @p text as it can be shown: every control and format character, line or
 * paragraph separator and unpaired surrogate written as an escape ("\x1b",
 * "\u202e").
 *
 * Profile, include, account and file names come from anyone's bundle or
 * tree: raw, an escape sequence in one rewrites the terminal it is printed
 * on (clearing the screen, hiding the lines after it), and a right-to-left
 * override turns a sentence around in a window.
 */
ORLACOMMON_EXPORT QString printable(const QString &text, LineBreaks lineBreaks = LineBreaks::Escape);

/** As above, cut after @p maxLength characters of @p text with an ellipsis. */
ORLACOMMON_EXPORT QString printable(const QString &text, int maxLength);
}

#endif

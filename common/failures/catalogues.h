/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_CATALOGUES_H
#define ORLA_CATALOGUES_H

#include "orlacommon_export.h"

#include <QString>

class QLocale;
class QObject;

namespace Utils
{
/**
 * Installs the message catalogue @p name of @p locale's language from the
 * translations directory ("NAME_LANGUAGE.qm") and, with it, Qt's own texts
 * in the same language, so that a window's standard buttons speak as its
 * own texts do. The translators become children of @p parent; deleting them
 * takes them out again.
 *
 * A locale whose language has no catalogue (English, C) installs nothing and
 * the texts stay in English: a catalogue is never loaded for a language the
 * locale does not ask for. True when the catalogue was installed.
 */
ORLACOMMON_EXPORT bool installCatalogue(const QLocale &locale, const QString &name, QObject *parent);
}

#endif

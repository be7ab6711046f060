/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_RULETESTING_H
#define ORLA_RULETESTING_H

#include "profile/objectrule.h"

using Modes = QSet<ObjectRule::Mode>;
using Targets = QSet<ObjectRule::Target>;

inline ObjectRule makeRule(ObjectRule::Type type, const Modes &modes, const Targets &targets, const QString &filename, bool deleted = false)
{
    ObjectRule rule;
    rule.setType(type);
    rule.insertModes(modes);
    rule.insertTargets(targets);
    rule.setFilename(filename);
    rule.setDeleted(deleted);
    return rule;
}

#endif

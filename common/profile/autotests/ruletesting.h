/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_RULETESTING_H
#define ORLA_RULETESTING_H

#include "profile/objectrule.h"

using Modes = QSet<ObjectRule::Mode>;
using Targets = QSet<ObjectRule::Target>;

// The sets by the letters a profile line gives them, so that a table of rules
// reads like the lines it stands for.
namespace Letters
{
const Modes r{ObjectRule::Read};
const Modes w{ObjectRule::Write};
const Modes c{ObjectRule::Create};
const Modes rw{ObjectRule::Read, ObjectRule::Write};
const Modes wc{ObjectRule::Write, ObjectRule::Create};
const Modes rc{ObjectRule::Read, ObjectRule::Create};
const Modes rwc{ObjectRule::Read, ObjectRule::Write, ObjectRule::Create};
const Targets u{ObjectRule::TargetUser};
const Targets o{ObjectRule::TargetOther};
const Targets uo{ObjectRule::TargetUser, ObjectRule::TargetOther};
}

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

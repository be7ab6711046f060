/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_STATETESTING_H
#define ORLA_STATETESTING_H

#include "profile/objectrule.h"
#include "profile/profilefile.h"

#include <QSet>
#include <QStringList>

// Working states built and looked up the way the state tests need them.
namespace StateTesting
{
template<typename T>
T *byName(const QSet<T *> &states, const QString &name)
{
    for (T *state : states) {
        if (state->name() == name) {
            return state;
        }
    }
    return nullptr;
}

// A rule that lets the user read @p path.
inline ObjectRule readRule(const QString &path)
{
    ObjectRule rule;
    rule.setType(ObjectRule::File);
    rule.insertMode(ObjectRule::Read);
    rule.insertTarget(ObjectRule::TargetUser);
    rule.setFilename(path);
    return rule;
}

inline ProfileFile profileFile(const QString &name, const QStringList &includes = {}, bool exists = false, const QStringList &readable = {})
{
    ProfileFile file(name, exists);
    for (const QString &include : includes) {
        file.data().insertIncludeRule(IncludeRule(include));
    }
    for (const QString &path : readable) {
        file.data().insertObjectRule(readRule(path));
    }
    return file;
}
}

#endif

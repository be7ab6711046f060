/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_STATUSPASS_H
#define ORLA_STATUSPASS_H

#include <QHash>
#include <QSet>
#include <QString>

class AbstractProfileState;
class ProfileState;

/**
 * One computation of statuses over the include graph of the system profiles.
 *
 * Each profile is computed at most once per pass, however many profiles
 * include it: recomputing included profiles along every include path is
 * exponential on trees of shared sub-profiles, which are the usual shape of
 * a kiosk configuration. Statuses of an acyclic graph do not depend on the
 * order of computation; every profile on an include cycle, and every profile
 * that includes one, has errors.
 *
 * A pass holds pointers to the states it was built from; use it only while
 * none of them is added, removed or renamed.
 */
class StatusPass
{
public:
    explicit StatusPass(const QSet<ProfileState *> &profiles);

    /**
     * Computes the status of @p root and, first, of every profile it includes
     * directly or not that this pass has not computed yet. Profiles whose
     * names are in @p keep are walked through but keep the status they have.
     */
    void update(AbstractProfileState *root, const QSet<QString> &keep = {});

    bool isComputed(const AbstractProfileState *state) const;

private:
    // The existing profiles a state includes, resolved once per pass.
    QList<AbstractProfileState *> includedStates(const AbstractProfileState *state);
    bool includesItself(AbstractProfileState *state, bool onCycle);
    QSet<int> contentStatus(const AbstractProfileState *state) const;
    void finish(const QList<AbstractProfileState *> &component, const QSet<AbstractProfileState *> &kept);

    QHash<QString, ProfileState *> m_byName;
    // Every name that some profile includes: a state whose name no profile
    // includes cannot include itself through others.
    QSet<QString> m_includedNames;
    QSet<const AbstractProfileState *> m_computed;
    QHash<const AbstractProfileState *, QList<AbstractProfileState *>> m_included;
};

#endif

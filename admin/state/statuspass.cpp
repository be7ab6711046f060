/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/statuspass.h"

#include "state/abstractprofilestate.h"
#include "state/profilestate.h"

#include "profile/profilefile.h"

#include <algorithm>
#include <vector>

namespace
{
QSet<IncludeRule> includesOf(const AbstractProfileState *state)
{
    return state->file()->data().includes();
}

// As !errors().isEmpty(), without building two sets for every include.
bool hasErrors(const AbstractProfileState *state)
{
    static const QSet<int> warnings = AbstractProfileState::warningCodes();
    const QSet<int> status = state->status();
    return std::any_of(status.cbegin(), status.cend(), [](int code) {
        return !warnings.contains(code);
    });
}
}

StatusPass::StatusPass(const QSet<ProfileState *> &profiles)
{
    m_byName.reserve(profiles.size());
    for (ProfileState *profile : profiles) {
        m_byName.insert(profile->name(), profile);
        const QSet<IncludeRule> includes = includesOf(profile);
        for (const IncludeRule &rule : includes) {
            m_includedNames.insert(rule.name());
        }
    }
}

bool StatusPass::isComputed(const AbstractProfileState *state) const
{
    return m_computed.contains(state);
}

QList<AbstractProfileState *> StatusPass::includedStates(const AbstractProfileState *state)
{
    const auto known = m_included.constFind(state);
    if (known != m_included.constEnd()) {
        return known.value();
    }
    QList<AbstractProfileState *> result;
    const QSet<IncludeRule> includes = includesOf(state);
    for (const IncludeRule &rule : includes) {
        ProfileState *included = m_byName.value(rule.name());
        if (included && !result.contains(included)) {
            result.append(included);
        }
    }
    m_included.insert(state, result);
    return result;
}

// A state includes itself when its name is reachable over includes; for the
// profile that owns its name that is exactly being on an include cycle. A
// state that does not own its name (a user, a placeholder) can still reach a
// profile that includes that name, so it is searched by name.
bool StatusPass::includesItself(AbstractProfileState *state, bool onCycle)
{
    const QString name = state->name();
    if (m_byName.value(name) == state) {
        return onCycle;
    }
    const IncludeRule self(name);
    if (includesOf(state).contains(self)) {
        return true;
    }
    if (!m_includedNames.contains(name)) {
        return false;
    }
    QSet<const AbstractProfileState *> seen;
    QList<AbstractProfileState *> queue = includedStates(state);
    while (!queue.isEmpty()) {
        AbstractProfileState *current = queue.takeLast();
        if (seen.contains(current)) {
            continue;
        }
        seen.insert(current);
        if (includesOf(current).contains(self)) {
            return true;
        }
        queue.append(includedStates(current));
    }
    return false;
}

QSet<int> StatusPass::contentStatus(const AbstractProfileState *state) const
{
    const ProfileFile *file = state->file();
    const ProfileData data = file->data();
    const QSet<ProfileData::Error> dataErrors = data.errors();

    QSet<int> status;
    if (file->errors().contains(ProfileFile::EmptyName)) {
        status.insert(AbstractProfileState::StatusEmptyName);
    }
    if (dataErrors.contains(ProfileData::InvalidObjectRules)) {
        status.insert(AbstractProfileState::StatusInvalidObjectRules);
    }
    const QSet<IncludeRule> includes = data.includes();
    for (const IncludeRule &rule : includes) {
        if (!m_byName.contains(rule.name())) {
            status.insert(AbstractProfileState::StatusUnknownIncludes);
            break;
        }
    }
    if (dataErrors.contains(ProfileData::InvalidLines)) {
        status.insert(AbstractProfileState::StatusInvalidConfigLines);
    }
    if (data.warnings().contains(ProfileData::OldFormatLines)) {
        status.insert(AbstractProfileState::StatusOldFormatRules);
    }
    return status;
}

// Every component arrives after all components it includes, so the statuses
// it reads outside itself are final.
void StatusPass::finish(const QList<AbstractProfileState *> &component, const QSet<AbstractProfileState *> &kept)
{
    const bool cycle = component.size() > 1;
    QList<AbstractProfileState *> computed;
    for (AbstractProfileState *state : component) {
        if (kept.contains(state)) {
            continue;
        }
        QSet<int> status = contentStatus(state);
        const bool selfInclude = includesOf(state).contains(IncludeRule(state->name()));
        if (includesItself(state, cycle || selfInclude)) {
            status.insert(AbstractProfileState::StatusCyclicIncludes);
        }
        state->setStatus(status);
        state->updateOwnStatus();
        m_computed.insert(state);
        computed.append(state);
    }
    // Only after the whole component has its own codes: members of a cycle
    // include each other, and each of them has an error by now.
    for (AbstractProfileState *state : std::as_const(computed)) {
        const QList<AbstractProfileState *> included = includedStates(state);
        const bool includeWithError = std::any_of(included.cbegin(), included.cend(), hasErrors);
        if (includeWithError) {
            QSet<int> status = state->status();
            status.insert(AbstractProfileState::StatusIncludeWithError);
            state->setStatus(status);
        }
    }
}

// Tarjan's strongly connected components, iteratively: include chains can be
// thousands of profiles deep.
void StatusPass::update(AbstractProfileState *root, const QSet<QString> &keep)
{
    if (m_computed.contains(root)) {
        return;
    }

    struct Frame {
        AbstractProfileState *state;
        QList<AbstractProfileState *> included;
        int next;
    };
    std::vector<Frame> frames;
    QHash<AbstractProfileState *, int> order;
    QHash<AbstractProfileState *, int> low;
    QList<AbstractProfileState *> stack;
    QSet<AbstractProfileState *> onStack;
    QSet<AbstractProfileState *> kept;

    auto enter = [&](AbstractProfileState *state) {
        const int number = order.size();
        order.insert(state, number);
        low.insert(state, number);
        stack.append(state);
        onStack.insert(state);
        if (state != root && keep.contains(state->name())) {
            kept.insert(state);
        }
        frames.push_back(Frame{state, includedStates(state), 0});
    };

    enter(root);
    while (!frames.empty()) {
        Frame &frame = frames.back();
        if (frame.next < frame.included.size()) {
            AbstractProfileState *included = frame.included.at(frame.next++);
            if (m_computed.contains(included)) {
                continue;
            }
            if (!order.contains(included)) {
                enter(included); // invalidates frame
                continue;
            }
            if (onStack.contains(included)) {
                low[frame.state] = std::min(low.value(frame.state), order.value(included));
            }
            continue;
        }

        AbstractProfileState *state = frame.state;
        frames.pop_back();
        if (!frames.empty()) {
            AbstractProfileState *parent = frames.back().state;
            low[parent] = std::min(low.value(parent), low.value(state));
        }
        if (low.value(state) == order.value(state)) {
            QList<AbstractProfileState *> component;
            AbstractProfileState *member = nullptr;
            do {
                member = stack.takeLast();
                onStack.remove(member);
                component.append(member);
            } while (member != state);
            finish(component, kept);
        }
    }
}

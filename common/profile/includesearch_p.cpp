/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/includesearch_p.h"

#include "profile/profilefile.h"

#include <algorithm>

/*
 * The include search walks the include graph depth first along paths that do
 * not repeat a name. Profiles share sub-profiles (every session profile pulls
 * in the same base profiles), and the number of such paths grows
 * exponentially with the depth of the graph, so the search remembers, for the
 * length of one question, the profiles from which it already failed and does
 * not enter them again.
 *
 * That changes no answer. Suppose a profile failed and a later visit would
 * succeed along some chain of includes. The first visit missed the chain, so
 * the chain runs through names that were on the path then. Take the one that
 * stood earliest on that path: its own search was under way at the first
 * visit and had ended without success by the later one (the later path, which
 * the chain avoids, no longer holds it), yet the rest of the chain from it
 * avoids everything that was on the path before it, so that search would have
 * found the chain.
 *
 * With it every profile is entered at most once per question, so a question
 * costs the part of the graph it reaches.
 *
 * Asked for its own name, the first profile of a name answers a chain only
 * when it is on an include cycle: every link after it is the first profile
 * of the name it was entered by, and the last link includes the asked name,
 * which leads back to it. So off every cycle the answer is empty without a
 * search, whatever the path. (With nothing walked yet the converse holds
 * too: the search, missing nothing, finds a chain along any such cycle.)
 *
 * On a cycle, the search for a name whose profile is on the same cycle
 * (its own, or the last link of its cycle) stays among the profiles of that
 * cycle, meaning those that both reach and are reached from it: a profile
 * that is reached from it but does not reach back cannot reach the name's
 * profile either, nor can anything it includes, so entering it would only
 * fail and mark failures that this search never looks at again. On a large
 * tree where every profile pulls in the same deep stack of base profiles,
 * this keeps the search to the cycle instead of the whole stack.
 */

namespace
{
// A search that long asks once whether any profile includes the name at all:
// when none does, the answer is empty and the rest of the walk can be
// skipped. Searching one question's way through a set that is only indexed
// as far as needed, asking at once would read every profile.
constexpr int lazyHopelessCheckAfter = 64;
}

IncludeSearch::IncludeSearch(const QSet<const ProfileFile *> &files, Population population)
    : m_files(files)
    , m_complete(population == Population::Complete)
    , m_next(m_files.cbegin())
{
    if (!m_complete) {
        return;
    }

    m_profileNode.reserve(m_files.size());
    m_nodes.reserve(m_files.size());
    for (const ProfileFile *file : m_files) {
        if (file) {
            // Profiles that share a name with an earlier one are nodes too,
            // so that they can be asked; no include leads to them.
            m_profileNode.insert(file, addNode(file, intern(file->m_name)));
        }
    }
    m_next = m_files.cend();
    for (int node = 0; node < int(m_nodes.size()); ++node) {
        readIncludes(node);
    }

    m_includers.assign(m_names.size(), 0);
    for (int node = 0; node < int(m_nodes.size()); ++node) {
        const Node &n = m_nodes[node];
        if (m_nameNode[n.name] != node) {
            continue;
        }
        for (int i = 0; i < n.includeCount; ++i) {
            ++m_includers[m_includes[n.firstInclude + i]];
        }
    }
    findCycles();
}

int IncludeSearch::intern(const QString &name)
{
    const auto known = m_ids.constFind(name);
    if (known != m_ids.constEnd()) {
        return known.value();
    }
    const int id = m_names.size();
    m_ids.insert(name, id);
    m_names.append(name);
    m_nameNode.push_back(-1);
    m_onPath.push_back(0);
    m_failed.push_back(0);
    return id;
}

int IncludeSearch::idOf(const QString &name)
{
    return m_complete ? m_ids.value(name, -1) : intern(name);
}

int IncludeSearch::addNode(const ProfileFile *profile, int name)
{
    const int node = int(m_nodes.size());
    m_nodes.push_back(Node{profile, name, -1, 0});
    if (m_nameNode[name] < 0) {
        m_nameNode[name] = node;
    }
    return node;
}

int IncludeSearch::nodeOf(int name)
{
    const int known = m_nameNode[name];
    if (known >= 0) {
        return known;
    }
    // Only a lazy search has part of the set left to index.
    while (m_next != m_files.cend()) {
        const ProfileFile *file = *m_next;
        ++m_next;
        if (!file) {
            continue;
        }
        const int id = intern(file->m_name);
        if (m_nameNode[id] >= 0) {
            continue;
        }
        const int node = addNode(file, id);
        if (id == name) {
            return node;
        }
    }
    return -1;
}

void IncludeSearch::readIncludes(int node)
{
    const QSet<IncludeRule> includes = m_nodes[node].profile->m_data.includes();
    const int first = int(m_includes.size());
    for (const IncludeRule &include : includes) {
        m_includes.push_back(intern(include.name()));
    }
    m_nodes[node].firstInclude = first;
    m_nodes[node].includeCount = int(m_includes.size()) - first;
}

bool IncludeSearch::includes(const Node &node, int name) const
{
    if (name < 0) {
        return false;
    }
    const auto begin = m_includes.cbegin() + node.firstInclude;
    return std::find(begin, begin + node.includeCount, name) != begin + node.includeCount;
}

// Only ever asked after the starting profile's own includes are checked;
// every profile entered after it is the first of its name.
bool IncludeSearch::nobodyIncludes(int name, const QString &text) const
{
    if (m_complete) {
        return name < 0 || m_includers[name] == 0;
    }
    const IncludeRule include(text);
    return std::none_of(m_files.cbegin(), m_files.cend(), [&include](const ProfileFile *file) {
        return file && file->m_data.includes().contains(include);
    });
}

// Tarjan's strongly connected components over the first profiles of their
// names, iteratively: include chains can be thousands of profiles deep.
void IncludeSearch::findCycles()
{
    const int count = int(m_nodes.size());
    m_onCycle.assign(count, false);
    m_component.assign(count, -1);
    std::vector<int> order(count, -1);
    std::vector<int> low(count, 0);
    std::vector<bool> onStack(count, false);
    std::vector<int> stack;
    struct Step {
        int node;
        int next;
    };
    std::vector<Step> steps;
    int numbered = 0;
    int components = 0;

    const auto enter = [&](int node) {
        order[node] = low[node] = numbered++;
        stack.push_back(node);
        onStack[node] = true;
        steps.push_back(Step{node, 0});
    };

    for (int root = 0; root < count; ++root) {
        if (order[root] >= 0 || m_nameNode[m_nodes[root].name] != root) {
            continue;
        }
        enter(root);
        while (!steps.empty()) {
            Step &step = steps.back();
            const Node &node = m_nodes[step.node];
            if (step.next < node.includeCount) {
                const int included = m_nameNode[m_includes[node.firstInclude + step.next++]];
                if (included < 0) {
                    continue;
                }
                if (order[included] < 0) {
                    enter(included); // invalidates step
                } else if (onStack[included]) {
                    low[step.node] = std::min(low[step.node], order[included]);
                }
                continue;
            }

            const int done = step.node;
            steps.pop_back();
            if (!steps.empty()) {
                low[steps.back().node] = std::min(low[steps.back().node], low[done]);
            }
            if (low[done] != order[done]) {
                continue;
            }
            const auto first = std::find(stack.crbegin(), stack.crend(), done).base() - 1;
            const bool cycle = stack.cend() - first > 1;
            for (auto member = first; member != stack.cend(); ++member) {
                onStack[*member] = false;
                m_onCycle[*member] = cycle;
                m_component[*member] = components;
            }
            stack.erase(first, stack.cend());
            ++components;
            m_onCycle[done] = m_onCycle[done] || includes(m_nodes[done], m_nodes[done].name);
        }
    }
}

void IncludeSearch::nextQuestion()
{
    if (++m_question == 0) {
        // After four thousand million questions the old numbers come round again.
        std::fill(m_onPath.begin(), m_onPath.end(), 0);
        std::fill(m_failed.begin(), m_failed.end(), 0);
        m_question = 1;
    }
}

int IncludeSearch::includeAt(const Frame &frame, int index) const
{
    return frame.node < 0 ? m_startIncludes[index] : m_includes[m_nodes[frame.node].firstInclude + index];
}

QStringList IncludeSearch::answer(const QStringList &path, const QString &startName, int lastNode) const
{
    QStringList chain;
    chain.reserve(path.size() + int(m_frames.size()) + 1);
    chain += path;
    chain.append(startName);
    for (auto frame = m_frames.cbegin() + 1; frame != m_frames.cend(); ++frame) {
        chain.append(m_names.at(frame->name));
    }
    if (lastNode >= 0) {
        chain.append(m_names.at(m_nodes[lastNode].name));
    }
    return chain;
}

QStringList IncludeSearch::containts(const ProfileFile *profile, const QString &name, const QStringList &path)
{
    if (!profile) {
        return {};
    }
    nextQuestion();
    m_frames.clear();
    const int target = idOf(name);

    // The starting profile: as read when it is one of a complete set,
    // otherwise as it is now, whether or not it is in the set.
    const int startNode = m_complete ? m_profileNode.value(profile, -1) : -1;
    QString startName;
    int startId = -1;
    int startCount = 0;
    // The component the search stays in, or -1.
    int confine = -1;
    if (startNode >= 0) {
        const Node &node = m_nodes[startNode];
        startId = node.name;
        startName = m_names.at(startId);
        if (includes(node, target)) {
            return path + QStringList{startName};
        }
        if (target == startId && m_nameNode[startId] == startNode && !m_onCycle[startNode]) {
            return {};
        }
        startCount = node.includeCount;
        const int targetNode = target >= 0 ? m_nameNode[target] : -1;
        if (m_nameNode[startId] == startNode && targetNode >= 0 && m_component[targetNode] == m_component[startNode]) {
            confine = m_component[startNode];
        }
    } else {
        startName = profile->m_name;
        const QSet<IncludeRule> startIncludes = profile->m_data.includes();
        if (startIncludes.contains(IncludeRule(name))) {
            return path + QStringList{startName};
        }
        m_startIncludes.clear();
        for (const IncludeRule &include : startIncludes) {
            // A name a complete set does not know leads nowhere.
            const int id = idOf(include.name());
            if (id >= 0) {
                m_startIncludes.push_back(id);
            }
        }
        startId = idOf(startName);
        startCount = int(m_startIncludes.size());
    }

    const int checkAfter = m_complete ? 1 : lazyHopelessCheckAfter;
    int visits = 1;
    if (visits == checkAfter && nobodyIncludes(target, name)) {
        return {};
    }

    for (const QString &walked : path) {
        const int id = idOf(walked);
        if (id >= 0) {
            m_onPath[id] = m_question;
        }
    }
    m_frames.push_back(Frame{startNode, startId, 0, startCount, onPath(startId)});
    if (startId >= 0) {
        m_onPath[startId] = m_question;
    }

    while (!m_frames.empty()) {
        Frame &frame = m_frames.back();
        if (frame.next < frame.count) {
            const int include = includeAt(frame, frame.next++);
            // Includes are weighed against the path as it was before the
            // including profile's name joined it.
            const bool walked = include == frame.name ? frame.selfWasOnPath : onPath(include);
            if (walked || m_failed[include] == m_question) {
                continue;
            }
            const int node = nodeOf(include);
            if (node < 0 || (confine >= 0 && m_component[node] != confine)) {
                continue;
            }
            if (m_nodes[node].firstInclude < 0) {
                readIncludes(node);
            }
            const Node &entered = m_nodes[node];
            if (includes(entered, target)) {
                return answer(path, startName, node);
            }
            if (++visits == checkAfter && nobodyIncludes(target, name)) {
                return {};
            }
            m_frames.push_back(Frame{node, include, 0, entered.includeCount, onPath(include)}); // invalidates frame
            m_onPath[include] = m_question;
            continue;
        }

        const Frame done = frame;
        m_frames.pop_back();
        if (!done.selfWasOnPath && done.name >= 0) {
            m_onPath[done.name] = 0;
        }
        if (!m_frames.empty()) {
            m_failed[done.name] = m_question;
        }
    }
    return {};
}

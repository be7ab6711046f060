/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/includegraph.h"

#include "profile/profilefile.h"

#include <algorithm>
#include <vector>

/*
 * Every name gets a number; a profile becomes a node holding the numbers of
 * its includes in its include set's order, and a name leads to the first
 * profile of that name in the set's order (the one the search must find
 * when names are shared). The strongly connected components of the nodes
 * that names lead to are found once, when the graph is made.
 *
 * The include search walks the graph depth first along paths that do not
 * repeat a name. Profiles share sub-profiles (every session profile pulls
 * in the same base profiles), and the number of such paths grows
 * exponentially with the depth of the graph, so the search remembers, for
 * the length of one question, the profiles from which it already failed and
 * does not enter them again.
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

class IncludeGraph::Private
{
public:
    explicit Private(const QSet<const ProfileFile *> &files);

    QStringList containts(const ProfileFile *profile, const QString &name, const QStringList &path);
    bool isOnCycle(const ProfileFile *profile);
    QHash<const ProfileFile *, QStringList> chainsTo(const QString &name);
    // The nodes the includes of @p profile lead to, -1 for an unknown name.
    std::vector<int> includedNodes(const ProfileFile *profile) const;

    struct Node {
        const ProfileFile *profile;
        int name;
        int firstInclude;
        int includeCount;
    };

    struct Frame {
        // -1 for a starting profile that is not a node; its includes are in m_startIncludes.
        int node;
        int name;
        int next;
        int count;
        // Whether the profile's own name was on the path before it joined:
        // a profile that includes itself is entered once more then.
        bool selfWasOnPath;
    };

    int intern(const QString &name);
    // -1 for a name no profile has or includes, which no search can meet.
    int idOf(const QString &name) const
    {
        return m_ids.value(name, -1);
    }
    // The node includes of the name lead to, or -1.
    int nodeOfName(int name) const
    {
        return name < 0 ? -1 : m_nameNode[name];
    }
    int nodeOf(const ProfileFile *profile) const
    {
        return m_profileNode.value(profile, -1);
    }
    bool isFirstOfName(int node) const
    {
        return m_nameNode[m_nodes[node].name] == node;
    }
    int includeAt(const Node &node, int index) const
    {
        return m_includes[node.firstInclude + index];
    }
    bool includes(const Node &node, int name) const;
    void findCycles();
    void nextQuestion();
    int includeAt(const Frame &frame, int index) const;
    QStringList answer(const QStringList &path, const QString &startName, int lastNode) const;
    void findIncluders();
    bool chainsWithoutSearch(int target, const std::vector<int> &reaching, QHash<const ProfileFile *, QStringList> &chains) const;

    bool onPath(int name) const
    {
        return name >= 0 && m_onPath[name] == m_question;
    }

    QHash<QString, int> m_ids;
    QStringList m_names;
    // By name: the node of the first profile with it, or -1.
    std::vector<int> m_nameNode;
    std::vector<Node> m_nodes;
    std::vector<int> m_includes;
    QHash<const ProfileFile *, int> m_profileNode;
    // Whether two profiles share a name.
    bool m_sharedNames = false;
    // By name: how many of the first profiles of their names include it.
    std::vector<int> m_includerCount;
    // By node.
    std::vector<char> m_onCycle;
    // By node: the strongly connected component of the first profiles of
    // their names, numbered above every component it reaches; -1 for the others.
    std::vector<int> m_component;
    // By name: the nodes that include it; made by the first question that needs it.
    std::vector<std::vector<int>> m_includers;
    bool m_includersFound = false;

    // Scratch of the current question.
    quint32 m_question = 0;
    std::vector<quint32> m_onPath;
    std::vector<quint32> m_failed;
    std::vector<quint32> m_reached;
    std::vector<Frame> m_frames;
    std::vector<int> m_startIncludes;
};

IncludeGraph::Private::Private(const QSet<const ProfileFile *> &files)
{
    m_profileNode.reserve(files.size());
    m_nodes.reserve(files.size());
    m_ids.reserve(files.size());
    m_names.reserve(files.size());
    m_nameNode.reserve(files.size());
    for (const ProfileFile *file : files) {
        if (!file) {
            continue;
        }
        // Profiles that share a name with an earlier one are nodes too, so
        // that they can be asked; no include leads to them.
        const int name = intern(nameOf(*file));
        const int node = int(m_nodes.size());
        m_nodes.push_back(Node{file, name, 0, 0});
        m_profileNode.insert(file, node);
        if (m_nameNode[name] < 0) {
            m_nameNode[name] = node;
        } else {
            m_sharedNames = true;
        }
    }
    for (Node &node : m_nodes) {
        const QSet<IncludeRule> includes = includesOf(*node.profile);
        node.firstInclude = int(m_includes.size());
        for (const IncludeRule &include : includes) {
            m_includes.push_back(intern(include.name()));
        }
        node.includeCount = int(m_includes.size()) - node.firstInclude;
    }

    m_includerCount.assign(m_names.size(), 0);
    for (int node = 0; node < int(m_nodes.size()); ++node) {
        if (!isFirstOfName(node)) {
            continue;
        }
        const Node &n = m_nodes[node];
        for (int i = 0; i < n.includeCount; ++i) {
            ++m_includerCount[includeAt(n, i)];
        }
    }
    m_onPath.assign(m_names.size(), 0);
    m_failed.assign(m_names.size(), 0);
    m_reached.assign(m_nodes.size(), 0);
    findCycles();
}

int IncludeGraph::Private::intern(const QString &name)
{
    const auto known = m_ids.constFind(name);
    if (known != m_ids.constEnd()) {
        return known.value();
    }
    const int id = m_names.size();
    m_ids.insert(name, id);
    m_names.append(name);
    m_nameNode.push_back(-1);
    return id;
}

bool IncludeGraph::Private::includes(const Node &node, int name) const
{
    if (name < 0) {
        return false;
    }
    const auto begin = m_includes.cbegin() + node.firstInclude;
    return std::find(begin, begin + node.includeCount, name) != begin + node.includeCount;
}

// Tarjan's strongly connected components over the first profiles of their
// names, iteratively: include chains can be thousands of profiles deep.
void IncludeGraph::Private::findCycles()
{
    const int count = int(m_nodes.size());
    m_onCycle.assign(count, 0);
    m_component.assign(count, -1);
    std::vector<int> order(count, -1);
    std::vector<int> low(count, 0);
    std::vector<char> onStack(count, 0);
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
        onStack[node] = 1;
        steps.push_back(Step{node, 0});
    };

    for (int root = 0; root < count; ++root) {
        if (order[root] >= 0 || !isFirstOfName(root)) {
            continue;
        }
        enter(root);
        while (!steps.empty()) {
            Step &step = steps.back();
            const Node &node = m_nodes[step.node];
            if (step.next < node.includeCount) {
                const int included = nodeOfName(includeAt(node, step.next++));
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
                onStack[*member] = 0;
                m_onCycle[*member] = cycle;
                m_component[*member] = components;
            }
            stack.erase(first, stack.cend());
            ++components;
            m_onCycle[done] = m_onCycle[done] || includes(m_nodes[done], m_nodes[done].name);
        }
    }
}

void IncludeGraph::Private::nextQuestion()
{
    if (++m_question == 0) {
        // After four thousand million questions the old numbers come round again.
        std::fill(m_onPath.begin(), m_onPath.end(), 0);
        std::fill(m_failed.begin(), m_failed.end(), 0);
        std::fill(m_reached.begin(), m_reached.end(), 0);
        m_question = 1;
    }
}

int IncludeGraph::Private::includeAt(const Frame &frame, int index) const
{
    return frame.node < 0 ? m_startIncludes[index] : includeAt(m_nodes[frame.node], index);
}

QStringList IncludeGraph::Private::answer(const QStringList &path, const QString &startName, int lastNode) const
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

QStringList IncludeGraph::Private::containts(const ProfileFile *profile, const QString &name, const QStringList &path)
{
    nextQuestion();
    m_frames.clear();
    const int target = idOf(name);

    // The starting profile: as read when it is one of the set, otherwise as
    // it is now.
    const int startNode = nodeOf(profile);
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
        const bool first = isFirstOfName(startNode);
        if (target == startId && first && !m_onCycle[startNode]) {
            return {};
        }
        startCount = node.includeCount;
        const int targetNode = nodeOfName(target);
        if (first && targetNode >= 0 && m_component[targetNode] == m_component[startNode]) {
            confine = m_component[startNode];
        }
    } else {
        startName = nameOf(*profile);
        const QSet<IncludeRule> startIncludes = includesOf(*profile);
        if (startIncludes.contains(IncludeRule(name))) {
            return path + QStringList{startName};
        }
        m_startIncludes.clear();
        for (const IncludeRule &include : startIncludes) {
            // A name the set does not know leads nowhere.
            const int id = idOf(include.name());
            if (id >= 0) {
                m_startIncludes.push_back(id);
            }
        }
        startId = idOf(startName);
        startCount = int(m_startIncludes.size());
    }

    // Every profile entered after the start is the first of its name: when
    // none of those includes the name, no chain can end in it.
    if (target < 0 || m_includerCount[target] == 0) {
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
            const int node = nodeOfName(include);
            if (node < 0 || (confine >= 0 && m_component[node] != confine)) {
                continue;
            }
            const Node &entered = m_nodes[node];
            if (includes(entered, target)) {
                return answer(path, startName, node);
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

bool IncludeGraph::Private::isOnCycle(const ProfileFile *profile)
{
    const int node = nodeOf(profile);
    if (node >= 0 && isFirstOfName(node)) {
        return m_onCycle[node];
    }
    const QString name = node >= 0 ? m_names.at(m_nodes[node].name) : nameOf(*profile);
    return !containts(profile, name, {}).isEmpty();
}

std::vector<int> IncludeGraph::Private::includedNodes(const ProfileFile *profile) const
{
    std::vector<int> result;
    const int node = nodeOf(profile);
    if (node >= 0) {
        const Node &n = m_nodes[node];
        result.reserve(n.includeCount);
        for (int i = 0; i < n.includeCount; ++i) {
            result.push_back(nodeOfName(includeAt(n, i)));
        }
        return result;
    }
    const QSet<IncludeRule> includes = includesOf(*profile);
    result.reserve(includes.size());
    for (const IncludeRule &include : includes) {
        result.push_back(nodeOfName(idOf(include.name())));
    }
    return result;
}

void IncludeGraph::Private::findIncluders()
{
    if (m_includersFound) {
        return;
    }
    m_includersFound = true;
    m_includers.assign(m_names.size(), {});
    for (int node = 0; node < int(m_nodes.size()); ++node) {
        const Node &n = m_nodes[node];
        for (int i = 0; i < n.includeCount; ++i) {
            m_includers[includeAt(n, i)].push_back(node);
        }
    }
}

/*
 * Among the profiles that reach the name, the search follows the includes of
 * every profile that does not include the name itself. As long as following
 * them can never lead back to a profile (no cycle) and every name is one
 * profile's, no name on the search's path can lie ahead of it, so the path
 * never cuts a way short: the chain from a profile is its own name followed
 * by the chain of the first of its includes (in the include set's order)
 * that has one. That is containts' answer, found here once per profile,
 * from the bottom up, instead of by one search per profile. False, with
 * nothing found, when that does not hold.
 */
bool IncludeGraph::Private::chainsWithoutSearch(int target, const std::vector<int> &reaching, QHash<const ProfileFile *, QStringList> &chains) const
{
    if (m_sharedNames) {
        return false;
    }
    // By node, for the reaching ones: whether it has a chain, its next
    // link (-1 for a direct includer), its includers among them still to
    // be ordered, and what the search follows from it.
    std::vector<char> isReaching(m_nodes.size(), 0);
    for (int node : reaching) {
        isReaching[node] = 1;
    }
    std::vector<char> found(m_nodes.size(), 0);
    std::vector<int> next(m_nodes.size(), -1);
    std::vector<int> incoming(m_nodes.size(), 0);
    std::vector<std::vector<int>> follows(m_nodes.size());
    for (int node : reaching) {
        const Node &n = m_nodes[node];
        if (includes(n, target)) {
            found[node] = 1;
            continue;
        }
        for (int i = 0; i < n.includeCount; ++i) {
            const int included = nodeOfName(includeAt(n, i));
            if (included >= 0 && isReaching[included]) {
                follows[node].push_back(included);
                ++incoming[included];
            }
        }
    }

    // Includers before the included; a cycle leaves some profiles out.
    std::vector<int> order;
    order.reserve(reaching.size());
    for (int node : reaching) {
        if (incoming[node] == 0) {
            order.push_back(node);
        }
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (int included : follows[order[i]]) {
            if (--incoming[included] == 0) {
                order.push_back(included);
            }
        }
    }
    if (order.size() != reaching.size()) {
        return false;
    }

    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        if (found[*it]) {
            continue;
        }
        for (int included : follows[*it]) {
            if (found[included]) {
                found[*it] = 1;
                next[*it] = included;
                break;
            }
        }
    }
    chains.reserve(int(reaching.size()));
    for (int node : reaching) {
        if (!found[node]) {
            continue;
        }
        QStringList chain;
        for (int link = node; link >= 0; link = next[link]) {
            chain.append(m_names.at(m_nodes[link].name));
        }
        chains.insert(m_nodes[node].profile, chain);
    }
    return true;
}

QHash<const ProfileFile *, QStringList> IncludeGraph::Private::chainsTo(const QString &name)
{
    QHash<const ProfileFile *, QStringList> chains;
    const int target = idOf(name);
    if (target < 0) {
        return chains;
    }
    findIncluders();

    // Only the profiles that reach a direct includer of the name can have a
    // chain: one walk along reversed includes finds them all.
    nextQuestion();
    std::vector<int> reaching;
    std::vector<int> pending{target};
    std::vector<char> expanded(m_names.size(), 0);
    expanded[target] = 1;
    while (!pending.empty()) {
        const int current = pending.back();
        pending.pop_back();
        for (int includer : m_includers[current]) {
            if (m_reached[includer] == m_question) {
                continue;
            }
            m_reached[includer] = m_question;
            reaching.push_back(includer);
            // Includes lead only to the first profile of a name.
            const int includerName = m_nodes[includer].name;
            if (isFirstOfName(includer) && !expanded[includerName]) {
                expanded[includerName] = 1;
                pending.push_back(includerName);
            }
        }
    }

    if (!chainsWithoutSearch(target, reaching, chains)) {
        for (int node : reaching) {
            const QStringList chain = containts(m_nodes[node].profile, name, {});
            if (!chain.isEmpty()) {
                chains.insert(m_nodes[node].profile, chain);
            }
        }
    }
    return chains;
}

const QString &IncludeGraph::nameOf(const ProfileFile &profile)
{
    return profile.m_name;
}

QSet<IncludeRule> IncludeGraph::includesOf(const ProfileFile &profile)
{
    // Without copying the whole content.
    return profile.m_data.includes();
}

IncludeGraph::IncludeGraph(const QSet<const ProfileFile *> &files)
    : d(std::make_unique<Private>(files))
{
}

IncludeGraph::~IncludeGraph() = default;

IncludeGraph::IncludeGraph(IncludeGraph &&) noexcept = default;

IncludeGraph &IncludeGraph::operator=(IncludeGraph &&) noexcept = default;

QStringList IncludeGraph::containts(const ProfileFile *profile, const QString &name, const QStringList &path) const
{
    if (!d || !profile) {
        return {};
    }
    return d->containts(profile, name, path);
}

bool IncludeGraph::isOnCycle(const ProfileFile *profile) const
{
    return d && profile && d->isOnCycle(profile);
}

QHash<const ProfileFile *, QStringList> IncludeGraph::chainsTo(const QString &name) const
{
    return d ? d->chainsTo(name) : QHash<const ProfileFile *, QStringList>();
}

QVector<const ProfileFile *> IncludeGraph::included(const ProfileFile *profile) const
{
    QVector<const ProfileFile *> result;
    if (!d || !profile) {
        return result;
    }
    for (int node : d->includedNodes(profile)) {
        if (node >= 0) {
            result.append(d->m_nodes[node].profile);
        }
    }
    return result;
}

bool IncludeGraph::includesUnknown(const ProfileFile *profile) const
{
    if (!d || !profile) {
        return false;
    }
    const std::vector<int> nodes = d->includedNodes(profile);
    return std::find(nodes.cbegin(), nodes.cend(), -1) != nodes.cend();
}

QVector<QVector<const ProfileFile *>> IncludeGraph::includedFirst(const ProfileFile *from, const std::function<bool(const ProfileFile *)> &walkInto) const
{
    const int start = d ? d->nodeOf(from) : -1;
    if (start < 0 || !d->isFirstOfName(start)) {
        return {};
    }
    std::vector<int> found;
    walkIncludes(
        QVector<int>{start},
        [&](int node) {
            return node >= 0 && walkInto(d->m_nodes[node].profile);
        },
        [&](int node) {
            found.push_back(node);
            return d->includedNodes(d->m_nodes[node].profile);
        });
    // Components are numbered above everything they reach.
    const std::vector<int> &component = d->m_component;
    std::sort(found.begin(), found.end(), [&component](int a, int b) {
        return component[a] < component[b];
    });
    QVector<QVector<const ProfileFile *>> groups;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (i == 0 || component[found[i]] != component[found[i - 1]]) {
            groups.append(QVector<const ProfileFile *>());
        }
        groups.last().append(d->m_nodes[found[i]].profile);
    }
    return groups;
}

const ProfileFile *IncludeGraph::profileNamed(const QString &name) const
{
    const int node = d ? d->nodeOfName(d->idOf(name)) : -1;
    return node < 0 ? nullptr : d->m_nodes[node].profile;
}

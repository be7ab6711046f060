/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_INCLUDESEARCH_P_H
#define ORLA_INCLUDESEARCH_P_H

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class ProfileFile;

/*
 * The include graph of one set of profiles in plain numbers, and the include
 * chain search over it. ProfileFile::containts and IncludeGraph both answer
 * through it, so there is one search and one set of answers.
 *
 * Every name gets a number; a profile becomes a node holding the numbers of
 * its includes in its include set's order, and a name leads to the first
 * profile of that name in the set's order (the one the search must find
 * when names are shared).
 *
 * Lazy: for one question. The set is indexed only as far as the question
 * needs and a profile's includes are read when the search first enters it.
 * Complete: for many questions. Everything is read at once, the profiles
 * then seen are the ones every answer is about, and a profile asked for its
 * own name is answered without a search when it is on no include cycle.
 *
 * The marks of a question are numbered by question, so a question costs
 * what it walks, not the size of the set. One question at a time.
 */
class IncludeSearch
{
public:
    enum class Population {
        Lazy,
        Complete,
    };

    IncludeSearch(const QSet<const ProfileFile *> &files, Population population);

    // The index holds an iterator into its own copy of the set.
    IncludeSearch(const IncludeSearch &) = delete;
    IncludeSearch &operator=(const IncludeSearch &) = delete;

    QStringList containts(const ProfileFile *profile, const QString &name, const QStringList &path);

    // Complete only: the graph as KioskStatuses walks it. Nodes are the
    // profiles of the set; includes lead to the first profile of a name.
    int nodeCount() const
    {
        return int(m_nodes.size());
    }
    int nodeOfProfile(const ProfileFile *profile) const
    {
        return m_profileNode.value(profile, -1);
    }
    const ProfileFile *profileOf(int node) const
    {
        return m_nodes[node].profile;
    }
    // -1 for a name no profile has.
    int nodeNamed(const QString &name) const
    {
        const int id = m_ids.value(name, -1);
        return id < 0 ? -1 : m_nameNode[id];
    }
    bool isFirstOfName(int node) const
    {
        return m_nameNode[m_nodes[node].name] == node;
    }
    int includeCount(int node) const
    {
        return m_nodes[node].includeCount;
    }
    // The node the include at @p index leads to; -1 for a name no profile has.
    int includedNode(int node, int index) const
    {
        return m_nameNode[m_includes[m_nodes[node].firstInclude + index]];
    }
    // Strongly connected components are numbered so that a component's
    // number is above those of every component it reaches.
    int component(int node) const
    {
        return m_component[node];
    }
    bool isOnCycle(int node) const
    {
        return m_onCycle[node];
    }

private:
    struct Node {
        const ProfileFile *profile;
        int name;
        // Into m_includes; -1 while the includes are not read yet.
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
    // Lazy: numbers every name it is given; complete: -1 for a name no
    // profile has or includes, which no search can meet.
    int idOf(const QString &name);
    // The first profile of the name, indexing the set further when lazy.
    int nodeOf(int name);
    int addNode(const ProfileFile *profile, int name);
    void readIncludes(int node);
    bool includes(const Node &node, int name) const;
    bool nobodyIncludes(int name, const QString &text) const;
    void findCycles();
    void nextQuestion();
    int includeAt(const Frame &frame, int index) const;
    QStringList answer(const QStringList &path, const QString &startName, int lastNode) const;

    bool onPath(int name) const
    {
        return name >= 0 && m_onPath[name] == m_question;
    }

    const QSet<const ProfileFile *> m_files;
    const bool m_complete;
    QSet<const ProfileFile *>::const_iterator m_next;

    QHash<QString, int> m_ids;
    QStringList m_names;
    // By name: the node of the first profile with it, or -1.
    std::vector<int> m_nameNode;
    std::vector<Node> m_nodes;
    std::vector<int> m_includes;

    // Complete only.
    QHash<const ProfileFile *, int> m_profileNode;
    // By name: how many of the first profiles of their names include it.
    std::vector<int> m_includers;
    // By node.
    std::vector<bool> m_onCycle;
    // By node: the strongly connected component of the first profiles of
    // their names; -1 for the others.
    std::vector<int> m_component;

    // Scratch of the current question.
    quint32 m_question = 0;
    std::vector<quint32> m_onPath;
    std::vector<quint32> m_failed;
    std::vector<Frame> m_frames;
    std::vector<int> m_startIncludes;
};

#endif

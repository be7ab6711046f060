#ifndef ORLA_INCLUDETESTING_H
#define ORLA_INCLUDETESTING_H

// Include graphs for the include chain tests, and the chain search written
// plainly, without any shortcut, to compare the real ones with.

#include "profile/profilefile.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <list>

namespace IncludeTesting
{
// Profiles built from a compact spelling: "A:B C;B:C;C:" is A including B and
// C, B including C, and C including nothing. The list keeps them at stable
// addresses.
struct Graph {
    explicit Graph(const QString &spelling)
    {
        const QStringList entries = spelling.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &entry : entries) {
            const int colon = entry.indexOf(QLatin1Char(':'));
            ProfileFile &profile = add(entry.left(colon));
            const QStringList includes = entry.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString &include : includes) {
                profile.data().insertIncludeRule(IncludeRule(include));
            }
        }
    }

    Graph() = default;

    ProfileFile &add(const QString &name)
    {
        profiles.emplace_back(name, true);
        files.insert(&profiles.back());
        return profiles.back();
    }

    const ProfileFile *profile(const QString &name) const
    {
        for (const ProfileFile &profile : profiles) {
            if (profile.name() == name) {
                return &profile;
            }
        }
        return nullptr;
    }

    std::list<ProfileFile> profiles;
    QSet<const ProfileFile *> files;
};

// The search without any shortcut, walking every path of the include graph
// depth first; the real one must agree with it.
inline QStringList plainContaints(const ProfileFile &profile, const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path)
{
    const QSet<IncludeRule> includes = profile.data().includes();
    if (includes.contains(IncludeRule(name))) {
        return path + QStringList{profile.name()};
    }
    QStringList names;
    for (const IncludeRule &include : includes) {
        if (!path.contains(include.name())) {
            names.append(include.name());
        }
    }
    if (names.isEmpty()) {
        return {};
    }
    for (const QString &next : qAsConst(names)) {
        const ProfileFile *found = nullptr;
        for (const ProfileFile *file : files) {
            if (file->name() == next) {
                found = file;
                break;
            }
        }
        if (!found) {
            continue;
        }
        const QStringList answer = plainContaints(*found, name, files, path + QStringList{profile.name()});
        if (!answer.isEmpty()) {
            return answer;
        }
    }
    return {};
}

inline QStringList names(const char *words)
{
    return QString::fromLatin1(words).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Each profile of the chain includes the next, and the last includes the name.
inline bool isChain(const Graph &g, const QStringList &chain, const QString &name)
{
    for (int i = 0; i < chain.size(); ++i) {
        const ProfileFile *profile = g.profile(chain.at(i));
        const QString next = i + 1 < chain.size() ? chain.at(i + 1) : name;
        if (!profile || !profile->data().includes().contains(IncludeRule(next)) || chain.indexOf(chain.at(i)) != i) {
            return false;
        }
    }
    return !chain.isEmpty();
}

inline QString firstInclude(const ProfileFile &profile)
{
    return profile.data().includes().begin()->name();
}

// How a graph is spelled, for failure messages.
inline QString spelling(const Graph &g)
{
    QString text;
    for (const ProfileFile &p : g.profiles) {
        QStringList includes;
        const QSet<IncludeRule> rules = p.data().includes();
        for (const IncludeRule &include : rules) {
            includes << include.name();
        }
        text += p.name() + QLatin1Char(':') + includes.join(QLatin1Char(' ')) + QLatin1Char(';');
    }
    return text;
}
}

#endif

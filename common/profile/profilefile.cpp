#include "profile/profilefile.h"

#include <QHash>

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
 */
class ProfileFile::Search
{
public:
    Search(const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path)
        : m_include(name)
        , m_path(path)
        , m_startingPath(path.cbegin(), path.cend())
        , m_onPath(m_startingPath)
    {
        // "First profile with the name" means first in the set's own order.
        m_byName.reserve(files.size());
        for (const ProfileFile *file : files) {
            if (file && !m_byName.contains(file->m_name)) {
                m_byName.insert(file->m_name, file);
            }
        }
    }

    QStringList run(const ProfileFile *start)
    {
        visit(start);
        return m_answer;
    }

private:
    // Returns true once the chain is found (in m_answer).
    bool visit(const ProfileFile *profile)
    {
        const QSet<IncludeRule> includes = profile->m_data.includes();
        if (includes.contains(m_include)) {
            m_answer = m_path;
            m_answer.append(profile->m_name);
            return true;
        }

        // Collected before this profile's own name joins the path: a profile
        // that includes itself is entered once more.
        QStringList next;
        for (const IncludeRule &include : includes) {
            const QString includeName = include.name();
            if (!m_onPath.contains(includeName)) {
                next.append(includeName);
            }
        }
        if (next.isEmpty()) {
            return false;
        }

        m_path.append(profile->m_name);
        m_onPath.insert(profile->m_name);
        bool found = false;
        for (const QString &includeName : qAsConst(next)) {
            const ProfileFile *included = m_byName.value(includeName);
            if (!included || m_failed.contains(included)) {
                continue;
            }
            if (visit(included)) {
                found = true;
                break;
            }
            m_failed.insert(included);
        }
        m_path.removeLast();
        // Names added below are not on the path yet, but the starting
        // profile's own name may already be on the starting path.
        if (!m_startingPath.contains(profile->m_name)) {
            m_onPath.remove(profile->m_name);
        }
        return found;
    }

    const IncludeRule m_include;
    QHash<QString, const ProfileFile *> m_byName;
    QStringList m_path;
    const QSet<QString> m_startingPath;
    QSet<QString> m_onPath;
    QSet<const ProfileFile *> m_failed;
    QStringList m_answer;
};

ProfileFile::ProfileFile(const QString &name, bool exists)
    : m_name(name)
    , m_exists(exists)
{
}

ProfileFile::~ProfileFile() = default;

QString ProfileFile::name() const
{
    return m_name;
}

void ProfileFile::setName(const QString &name)
{
    m_name = name;
}

bool ProfileFile::exists() const
{
    return m_exists;
}

ProfileData ProfileFile::data() const
{
    return m_data;
}

ProfileData &ProfileFile::data()
{
    return m_data;
}

void ProfileFile::setData(const ProfileData &data)
{
    m_data = data;
}

QSet<ProfileFile::Error> ProfileFile::errors() const
{
    QSet<Error> result;
    if (m_name.isEmpty()) {
        result.insert(EmptyName);
    }
    return result;
}

bool ProfileFile::isValid() const
{
    return !m_name.isEmpty();
}

QStringList ProfileFile::containts(const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path) const
{
    Search search(name, files, path);
    return search.run(this);
}

#include "profile/profilefile.h"

#include <QHash>
#include <QVector>

/*
 * The include search walks every path of the include graph that does not
 * repeat a name. Profiles share sub-profiles (every session profile pulls in
 * the same base profiles), so the number of such paths grows exponentially
 * with the depth of the graph. The search below gives the same answers in the
 * same order but remembers, for the length of one question, which profiles
 * are known not to lead to the asked name.
 *
 * Whether a search from a profile fails depends on the path only through the
 * names on it that the search ran into (includes it had to skip). A failure is
 * therefore stored together with those names, and it holds again whenever all
 * of them are on the path: a path holding them cuts at least the same ways
 * short. A failure that skipped nothing holds on every path, which makes
 * graphs without cycles cost one visit per profile.
 */
class ProfileFile::Search
{
public:
    Search(const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path)
        : m_include(name)
        , m_path(path)
    {
        // "First profile with the name" means first in the set's own order.
        m_byName.reserve(files.size());
        for (const ProfileFile *file : files) {
            if (file && !m_byName.contains(file->m_name)) {
                m_byName.insert(file->m_name, file);
            }
        }
        for (int i = 0; i < m_path.size(); ++i) {
            if (!m_onPath.contains(m_path.at(i))) {
                m_onPath.insert(m_path.at(i), i);
            }
        }
    }

    QStringList run(const ProfileFile *start)
    {
        QVector<int> dependencies;
        visit(start, dependencies);
        return m_answer;
    }

private:
    using Failure = QStringList;

    // Returns true once the chain is found (in m_answer). On failure fills
    // @p dependencies with the positions on the path, all before this
    // profile's own, of the names whose skipping the failure relied on.
    bool visit(const ProfileFile *profile, QVector<int> &dependencies)
    {
        const QSet<IncludeRule> includes = profile->m_data.includes();
        if (includes.contains(m_include)) {
            m_answer = m_path;
            m_answer.append(profile->m_name);
            return true;
        }

        const int here = m_path.size();
        QStringList next;
        for (const IncludeRule &include : includes) {
            const QString includeName = include.name();
            const auto onPath = m_onPath.constFind(includeName);
            if (onPath != m_onPath.constEnd()) {
                addDependency(dependencies, onPath.value());
            } else {
                next.append(includeName);
            }
        }
        if (next.isEmpty()) {
            return false;
        }

        push(profile->m_name);
        bool found = false;
        for (const QString &includeName : qAsConst(next)) {
            const ProfileFile *included = m_byName.value(includeName);
            if (!included) {
                continue;
            }
            QVector<int> childDependencies;
            if (knownFailure(included, childDependencies)) {
                mergeDependencies(dependencies, childDependencies, here);
                continue;
            }
            if (visit(included, childDependencies)) {
                found = true;
                break;
            }
            rememberFailure(included, childDependencies);
            mergeDependencies(dependencies, childDependencies, here);
        }
        pop();
        return found;
    }

    bool knownFailure(const ProfileFile *profile, QVector<int> &dependencies) const
    {
        const auto failures = m_failures.constFind(profile);
        if (failures == m_failures.constEnd()) {
            return false;
        }
        for (const Failure &failure : failures.value()) {
            bool holds = true;
            for (const QString &name : failure) {
                if (!m_onPath.contains(name)) {
                    holds = false;
                    break;
                }
            }
            if (holds) {
                for (const QString &name : failure) {
                    addDependency(dependencies, m_onPath.value(name));
                }
                return true;
            }
        }
        return false;
    }

    void rememberFailure(const ProfileFile *profile, const QVector<int> &dependencies)
    {
        Failure failure;
        failure.reserve(dependencies.size());
        for (const int position : dependencies) {
            failure.append(m_path.at(position));
        }
        m_failures[profile].append(failure);
    }

    static void addDependency(QVector<int> &dependencies, int position)
    {
        if (!dependencies.contains(position)) {
            dependencies.append(position);
        }
    }

    // Positions from the profile's own onwards were put there by the search
    // below it and do not limit the caller.
    static void mergeDependencies(QVector<int> &dependencies, const QVector<int> &childDependencies, int here)
    {
        for (const int position : childDependencies) {
            if (position < here) {
                addDependency(dependencies, position);
            }
        }
    }

    void push(const QString &name)
    {
        if (!m_onPath.contains(name)) {
            m_onPath.insert(name, m_path.size());
        }
        m_path.append(name);
    }

    void pop()
    {
        const int position = m_path.size() - 1;
        const auto onPath = m_onPath.find(m_path.last());
        if (onPath != m_onPath.end() && onPath.value() == position) {
            m_onPath.erase(onPath);
        }
        m_path.removeLast();
    }

    const IncludeRule m_include;
    QHash<QString, const ProfileFile *> m_byName;
    QStringList m_path;
    // First position of each name on the path.
    QHash<QString, int> m_onPath;
    QHash<const ProfileFile *, QVector<Failure>> m_failures;
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

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
        , m_files(files)
        , m_next(files.cbegin())
        , m_end(files.cend())
    {
        // One missing include is enough to index every profile.
        m_byName.reserve(files.size());
        // Names on the starting path are never entered; marking the profiles
        // they stand for lets the walk compare pointers instead of names.
        for (const QString &onPath : path) {
            if (const ProfileFile *profile = byName(onPath)) {
                m_marks[profile] |= OnPath;
            }
        }
    }

    QStringList run(const ProfileFile *start)
    {
        visit(start);
        return m_answer;
    }

private:
    enum Mark : quint8 {
        OnPath = 1,
        Failed = 2,
    };

    // The first profile with the name in the set's own order. The set is
    // indexed only as far as a question needs.
    const ProfileFile *byName(const QString &name)
    {
        const auto known = m_byName.constFind(name);
        if (known != m_byName.constEnd()) {
            return known.value();
        }
        while (m_next != m_end) {
            const ProfileFile *file = *m_next;
            ++m_next;
            if (!file || m_byName.contains(file->m_name)) {
                continue;
            }
            m_byName.insert(file->m_name, file);
            if (file->m_name == name) {
                return file;
            }
        }
        return nullptr;
    }

    // Whether any known profile includes the name at all. A long search
    // asks once: when none does, the answer is empty and the rest of the
    // walk can be skipped, which is most of the work for a name that nothing
    // includes.
    bool someoneIncludes() const
    {
        for (const ProfileFile *file : m_files) {
            if (file && file->m_data.includes().contains(m_include)) {
                return true;
            }
        }
        return false;
    }

    // Returns true once the chain is found (in m_answer).
    bool visit(const ProfileFile *profile)
    {
        const QSet<IncludeRule> includes = profile->m_data.includes();
        if (includes.contains(m_include)) {
            m_answer = m_path;
            m_answer.append(profile->m_name);
            return true;
        }
        if (++m_visits == hopelessCheckAfter && !someoneIncludes()) {
            m_hopeless = true;
        }
        if (m_hopeless) {
            return false;
        }

        // The profile an include of this profile's own name leads to. Only
        // the starting profile can differ from it (when it is not the first
        // of its name), and it is looked up like any other name.
        const ProfileFile *self = byName(profile->m_name);
        // Includes are weighed against the path as it was before this
        // profile's name joined it: a profile that includes itself is
        // entered once more.
        const bool selfWasOnPath = self && (m_marks.value(self) & OnPath);
        if (self) {
            m_marks[self] |= OnPath;
        }
        m_path.append(profile->m_name);

        bool found = false;
        for (const IncludeRule &include : includes) {
            const ProfileFile *included = byName(include.name());
            if (!included) {
                continue;
            }
            const quint8 mark = m_marks.value(included);
            const bool onPath = included == self ? selfWasOnPath : (mark & OnPath);
            if (onPath || (mark & Failed)) {
                continue;
            }
            if (visit(included)) {
                found = true;
                break;
            }
            if (m_hopeless) {
                break;
            }
            m_marks[included] |= Failed;
        }

        m_path.removeLast();
        if (self && !selfWasOnPath) {
            m_marks[self] &= ~OnPath;
        }
        return found;
    }

    static constexpr int hopelessCheckAfter = 64;

    const IncludeRule m_include;
    QStringList m_path;
    const QSet<const ProfileFile *> &m_files;
    QSet<const ProfileFile *>::const_iterator m_next;
    const QSet<const ProfileFile *>::const_iterator m_end;
    QHash<QString, const ProfileFile *> m_byName;
    QHash<const ProfileFile *, quint8> m_marks;
    int m_visits = 0;
    bool m_hopeless = false;
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

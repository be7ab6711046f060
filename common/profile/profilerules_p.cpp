#include "profile/profilerules_p.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <array>

namespace
{
// One compiled expression with the numbers of the captures its builders read,
// so that no line pays for a lookup by name.
struct LineExpression {
    explicit LineExpression(const QString &pattern)
        : expression(pattern)
    {
        // Compiling for the JIT here keeps every match read-only afterwards.
        expression.optimize();
        const QStringList names = expression.namedCaptureGroups();
        type = names.indexOf(QStringLiteral("type"));
        modes = names.indexOf(QStringLiteral("modes"));
        target = names.indexOf(QStringLiteral("target"));
        file = names.indexOf(QStringLiteral("file"));
        deleted = names.indexOf(QStringLiteral("deleted"));
    }

    QRegularExpression expression;
    int type;
    int modes;
    int target;
    int file;
    int deleted;
};

const LineExpression &objectExpression()
{
    static const LineExpression e(QStringLiteral(
        "^\\+(?P<type>file|link)(|\\s+(?P<modes>[rwc]*|\\?{1})\\s*(?P<target>[uo]*|\\?{1})\\s*):\\s*(?P<file>.+?)\\s*(?P<deleted>\\(deleted\\))?\\s*$"));
    return e;
}

const LineExpression &includeExpression()
{
    static const LineExpression e(QStringLiteral("^@include\\s+(?P<file>\\S+)\\s*$"));
    return e;
}

const LineExpression &oldObjectExpression()
{
    static const LineExpression e(QStringLiteral("^\"?(?P<file>\\S+?)\"?\\s+(?<modes>[rwx-]+)\\s*$"));
    return e;
}

const LineExpression &oldIncludeExpression()
{
    static const LineExpression e(QStringLiteral("^(?P<file>(?![\"\\/\\+])\\S+)$"));
    return e;
}

// Every rule read shares one of these few sets instead of building its own,
// which keeps reading large profiles free of per-rule set allocations.
enum ModeBits { ReadBit = 1, WriteBit = 2, CreateBit = 4 };
enum TargetBits { UserBit = 1, OtherBit = 2 };

const QSet<ObjectRule::Mode> &modeSet(int bits)
{
    static const std::array<QSet<ObjectRule::Mode>, 8> sets = [] {
        std::array<QSet<ObjectRule::Mode>, 8> result;
        for (int i = 0; i < 8; ++i) {
            if (i & ReadBit) {
                result[i].insert(ObjectRule::Read);
            }
            if (i & WriteBit) {
                result[i].insert(ObjectRule::Write);
            }
            if (i & CreateBit) {
                result[i].insert(ObjectRule::Create);
            }
        }
        return result;
    }();
    return sets[bits & 7];
}

const QSet<ObjectRule::Target> &targetSet(int bits)
{
    static const std::array<QSet<ObjectRule::Target>, 4> sets = [] {
        std::array<QSet<ObjectRule::Target>, 4> result;
        for (int i = 0; i < 4; ++i) {
            if (i & UserBit) {
                result[i].insert(ObjectRule::TargetUser);
            }
            if (i & OtherBit) {
                result[i].insert(ObjectRule::TargetOther);
            }
        }
        return result;
    }();
    return sets[bits & 3];
}

bool hasMatch(std::optional<QRegularExpressionMatch> &match, const LineExpression &e, const QString &line)
{
    match.emplace(e.expression.match(line));
    return match->hasMatch();
}
}

ProfileRule::~ProfileRule() = default;

bool ProfileRule::failed() const
{
    // A match object that ran on a valid expression is invalid only when the
    // engine returned an error instead of a result.
    return m_match && !m_match->isValid();
}

ObjectRuleMath::~ObjectRuleMath() = default;

bool ObjectRuleMath::match(const QString &line)
{
    return hasMatch(m_match, objectExpression(), line);
}

ObjectRule ObjectRuleMath::rule() const
{
    const LineExpression &e = objectExpression();
    ObjectRule result;
    const QStringView type = m_match->capturedView(e.type);
    if (type == QLatin1String("file")) {
        result.setType(ObjectRule::File);
    } else if (type == QLatin1String("link")) {
        result.setType(ObjectRule::Link);
    }
    result.insertModes(parseModes(m_match->capturedView(e.modes)));
    result.insertTargets(parseTargets(m_match->capturedView(e.target)));
    result.setFilename(parseFilename(m_match->capturedView(e.file)));
    result.setDeleted(!m_match->capturedView(e.deleted).isEmpty());
    return result;
}

QSet<ObjectRule::Mode> ObjectRuleMath::parseModes(QStringView text) const
{
    int bits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('r')) {
            bits |= ReadBit;
        } else if (c == QLatin1Char('w')) {
            bits |= WriteBit;
        } else if (c == QLatin1Char('c')) {
            bits |= CreateBit;
        } else if (c == QLatin1Char('?')) {
            bits = ReadBit | WriteBit | CreateBit;
            break;
        }
    }
    return modeSet(bits);
}

QString ObjectRuleMath::parseFilename(QStringView text) const
{
    return text.toString();
}

QSet<ObjectRule::Target> ObjectRuleMath::parseTargets(QStringView text) const
{
    int bits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('u')) {
            bits |= UserBit;
        } else if (c == QLatin1Char('o')) {
            bits |= OtherBit;
        } else if (c == QLatin1Char('?')) {
            bits = UserBit | OtherBit;
            break;
        }
    }
    return targetSet(bits);
}

IncludeRuleMath::~IncludeRuleMath() = default;

bool IncludeRuleMath::match(const QString &line)
{
    return hasMatch(m_match, includeExpression(), line);
}

IncludeRule IncludeRuleMath::rule() const
{
    return IncludeRule(m_match->captured(includeExpression().file));
}

ObjectRuleOldMath::~ObjectRuleOldMath() = default;

bool ObjectRuleOldMath::match(const QString &line)
{
    return hasMatch(m_match, oldObjectExpression(), line);
}

ObjectRule ObjectRuleOldMath::rule() const
{
    const LineExpression &e = oldObjectExpression();
    ObjectRule result;
    result.setType(ObjectRule::File);
    result.insertModes(parseModes(m_match->capturedView(e.modes)));
    result.insertTargets(targetSet(UserBit | OtherBit));
    result.setFilename(parseFilename(m_match->capturedView(e.file)));
    return result;
}

QSet<ObjectRule::Mode> ObjectRuleOldMath::parseModes(QStringView text) const
{
    // The old syntax had no create right: writing implied it, and x meant reading.
    int bits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('r') || c == QLatin1Char('x')) {
            bits |= ReadBit;
        } else if (c == QLatin1Char('w')) {
            bits |= WriteBit | CreateBit;
        }
    }
    return modeSet(bits);
}

QString ObjectRuleOldMath::parseFilename(QStringView text) const
{
    const QString path = text.toString();
    // No file can have a NUL in its name, and asking the file system about one
    // only makes Qt complain.
    if (path.contains(QChar(0))) {
        return path;
    }
    const QFileInfo info(path);
    if (info.isSymLink()) {
        return info.symLinkTarget();
    }
    return path;
}

IncludeRuleOldMath::~IncludeRuleOldMath() = default;

bool IncludeRuleOldMath::match(const QString &line)
{
    return hasMatch(m_match, oldIncludeExpression(), line);
}

IncludeRule IncludeRuleOldMath::rule() const
{
    return IncludeRule(m_match->captured(oldIncludeExpression().file));
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

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

// The object line expression up to its colon. No field before the colon can
// hold one, so the first colon of a line ends this part whatever the name.
const LineExpression &objectPrefixExpression()
{
    static const LineExpression e(QStringLiteral("^\\+(?P<type>file|link)(|\\s+(?P<modes>[rwc]*|\\?{1})\\s*(?P<target>[uo]*|\\?{1})\\s*):"));
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

ObjectLineCaptures objectCaptures(const QRegularExpressionMatch &match)
{
    const LineExpression &e = objectExpression();
    return ObjectLineCaptures{match.capturedView(e.type),
                              match.capturedView(e.modes),
                              match.capturedView(e.target),
                              match.capturedView(e.file),
                              match.capturedView(e.deleted)};
}

// The expression backtracks over every white space run inside a name at a
// cost that grows with the cube of the run's length, and gives up on a line
// once it has spent its match limit: a single run of a few hundred blanks is
// enough, and the line would be kept as invalid and lost at the next save.
// Reading by hand takes each character once, so every line of the common
// shape is read here, whatever its length and its runs.

// Only space and tab count as white space here. The expression's \s also
// takes line feed, carriage return, vertical tab and form feed, and "." does
// not take line separators on every build of the engine, and a lone surrogate
// makes the engine refuse the whole line; all such lines go to the expression.
bool isQuickSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isQuickChar(QChar c)
{
    const ushort u = c.unicode();
    if (u < 0x20) {
        return u == '\t';
    }
    return u != 0x85 && u != 0x2028 && u != 0x2029 && !c.isSurrogate();
}

bool isModeLetter(QChar c)
{
    return c == QLatin1Char('r') || c == QLatin1Char('w') || c == QLatin1Char('c');
}

bool isTargetLetter(QChar c)
{
    return c == QLatin1Char('u') || c == QLatin1Char('o');
}

// A field at pos: a run of its letters or a single "?"; pos moves past it.
template<typename IsLetter>
QStringView field(QStringView line, qsizetype &pos, IsLetter isLetter)
{
    const qsizetype start = pos;
    if (pos < line.size() && line[pos] == QLatin1Char('?')) {
        ++pos;
    } else {
        while (pos < line.size() && isLetter(line[pos])) {
            ++pos;
        }
    }
    return line.mid(start, pos - start);
}

qsizetype skipSpaces(QStringView line, qsizetype pos)
{
    while (pos < line.size() && isQuickSpace(line[pos])) {
        ++pos;
    }
    return pos;
}

// The mode and target fields from pos on; pos ends on the colon.
bool fieldsByHand(QStringView line, qsizetype &pos, ObjectLineCaptures &captures)
{
    // Both fields present, each a non-empty run of its letters or a single
    // "?". The expression then tries an empty run before the "?" and
    // backtracks to the "?" as the only way on to the colon, so it ends where
    // this reading does. With a field left empty it may settle on an empty
    // field or on the other field's "?" instead ("+file ?:" has an empty mode
    // field and the target "?"), which is for it to say.
    if (!isQuickSpace(line[pos])) {
        return false;
    }
    qsizetype end = skipSpaces(line, pos);
    captures.modes = field(line, end, isModeLetter);
    end = skipSpaces(line, end);
    captures.target = field(line, end, isTargetLetter);
    end = skipSpaces(line, end);
    if (captures.modes.isEmpty() || captures.target.isEmpty() || end == line.size() || line[end] != QLatin1Char(':')) {
        return false;
    }
    pos = end;
    return true;
}

QStringView capturedIn(QStringView line, const QRegularExpressionMatch &match, int group)
{
    return match.capturedLength(group) > 0 ? line.mid(match.capturedStart(group), match.capturedLength(group)) : QStringView();
}

// The fields as the expression reads them, for the shapes left to it. Only
// the part up to the first colon goes to the engine: the name after it,
// where the engine backtracks over blank runs, is still read by hand. The
// expression's choice among its alternatives does not depend on the name, as
// the name's part matches or fails alike after every one of them.
bool fieldsByExpression(QStringView line, qsizetype &pos, ObjectLineCaptures &captures)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        return false;
    }
    const LineExpression &e = objectPrefixExpression();
    const QRegularExpressionMatch match = e.expression.match(line.left(colon + 1).toString());
    if (!match.hasMatch()) {
        return false;
    }
    captures.modes = capturedIn(line, match, e.modes);
    captures.target = capturedIn(line, match, e.target);
    pos = colon;
    return true;
}
}

std::optional<ObjectLineCaptures> quickObjectLine(QStringView line)
{
    const qsizetype size = line.size();
    if (size < 7 || line[0] != QLatin1Char('+')) {
        return std::nullopt;
    }
    ObjectLineCaptures captures;
    captures.type = line.mid(1, 4);
    if (captures.type != QLatin1String("file") && captures.type != QLatin1String("link")) {
        return std::nullopt;
    }

    qsizetype pos = 5;
    if (line[pos] != QLatin1Char(':') && !fieldsByHand(line, pos, captures) && !fieldsByExpression(line, pos, captures)) {
        return std::nullopt;
    }
    pos = skipSpaces(line, pos + 1);
    if (pos == size) {
        return std::nullopt;
    }

    // The name runs from the first character after the colon's white space to
    // the last that is not white space.
    const qsizetype fileStart = pos;
    qsizetype end = pos;
    for (; pos < size; ++pos) {
        const QChar c = line[pos];
        if (!isQuickChar(c)) {
            return std::nullopt;
        }
        if (!isQuickSpace(c)) {
            end = pos + 1;
        }
    }

    // The shortest name after which only white space, the marker and white
    // space follow: with a marker at the end, the name stops before it and the
    // white space in front of it, unless that would leave no name at all.
    const QLatin1String marker("(deleted)");
    QStringView file = line.mid(fileStart, end - fileStart);
    if (file.endsWith(marker)) {
        qsizetype nameEnd = file.size() - marker.size();
        while (nameEnd > 0 && isQuickSpace(file[nameEnd - 1])) {
            --nameEnd;
        }
        if (nameEnd > 0) {
            captures.deleted = file.mid(file.size() - marker.size());
            file = file.left(nameEnd);
        }
    }
    captures.file = file;
    return captures;
}

std::optional<ObjectLineCaptures> expressionObjectLine(const QString &line, bool *failed)
{
    std::optional<QRegularExpressionMatch> match;
    const bool matched = hasMatch(match, objectExpression(), line);
    if (failed) {
        *failed = !match->isValid();
    }
    if (!matched) {
        return std::nullopt;
    }
    // The views point into the match's copy of the line, which shares the
    // caller's characters.
    return objectCaptures(*match);
}

ProfileRule::~ProfileRule() = default;

bool ProfileRule::failed() const
{
    // A match object that ran on a valid expression is invalid only when the
    // engine returned an error instead of a result.
    return m_match && !m_match->isValid();
}

ObjectRuleMath::ObjectRuleMath() = default;

ObjectRuleMath::ObjectRuleMath(bool byExpressionOnly)
    : m_byExpressionOnly(byExpressionOnly)
{
}

ObjectRuleMath::~ObjectRuleMath() = default;

bool ObjectRuleMath::match(const QString &line)
{
    // Most lines of real profiles have the common shape; reading those by
    // hand spares the engine and its match object, which is most of the time
    // spent reading a profile.
    if (!m_byExpressionOnly) {
        m_quick = quickObjectLine(line);
        if (m_quick) {
            m_line = line;
            return true;
        }
    }
    return hasMatch(m_match, objectExpression(), line);
}

ObjectRule ObjectRuleMath::rule() const
{
    const ObjectLineCaptures captures = m_quick ? *m_quick : objectCaptures(*m_match);
    ObjectRule result;
    if (captures.type == QLatin1String("file")) {
        result.setType(ObjectRule::File);
    } else if (captures.type == QLatin1String("link")) {
        result.setType(ObjectRule::Link);
    }
    result.insertModes(parseModes(captures.modes));
    result.insertTargets(parseTargets(captures.target));
    result.setFilename(parseFilename(captures.file));
    result.setDeleted(!captures.deleted.isEmpty());
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

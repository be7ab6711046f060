/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/profileparser.h"

#include "profile/profilerules_p.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QStringList>
#include <QTextStream>

namespace
{
bool isBlank(const QString &line)
{
    for (const QChar c : line) {
        if (!c.isSpace()) {
            return false;
        }
    }
    return true;
}

enum class Outcome { Matched, NoMatch, Failed };

template<typename Matcher, typename Insert>
Outcome tryMatcher(Matcher &&matcher, const QString &line, Insert insert)
{
    if (matcher.match(line)) {
        insert(matcher.rule());
        return Outcome::Matched;
    }
    return matcher.failed() ? Outcome::Failed : Outcome::NoMatch;
}

enum class ObjectLines { Quick, ByExpression };

void classifyLine(const QString &line, ProfileData &data, ObjectLines objectLines)
{
    if (isBlank(line)) {
        return;
    }
    if (line.startsWith(QLatin1Char('#'))) {
        data.addComment(line.mid(1));
        return;
    }

    const auto insertObject = [&data](const ObjectRule &rule) {
        data.insertObjectRule(rule);
    };
    const auto insertInclude = [&data](const IncludeRule &rule) {
        data.insertIncludeRule(rule);
    };

    // When an expression gives up on a line, a later and looser one must not
    // claim it: the line is kept as it was read and reported instead.
    Outcome outcome = tryMatcher(ObjectRuleMath(objectLines == ObjectLines::ByExpression), line, insertObject);
    if (outcome == Outcome::NoMatch) {
        outcome = tryMatcher(IncludeRuleMath(), line, insertInclude);
    }
    if (outcome == Outcome::NoMatch) {
        outcome = tryMatcher(ObjectRuleOldMath(), line, insertObject);
    }
    if (outcome == Outcome::NoMatch) {
        outcome = tryMatcher(IncludeRuleOldMath(), line, insertInclude);
    }
    if (outcome != Outcome::Matched) {
        data.addInvalidLine(line);
    }
}

// A file that the stream takes for UTF-16 by its byte order mark may hold
// halves of characters, which no UTF-8 file can carry: the writer would put a
// "?" in their place, changing the text at the next save. They become the
// replacement character here, so what the administrator sees is what is saved.
void replaceLoneSurrogates(QString &line)
{
    const int size = line.size();
    for (int i = 0; i < size; ++i) {
        const QChar c = line.constData()[i];
        if (!c.isSurrogate()) {
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < size && line.constData()[i + 1].isLowSurrogate()) {
            ++i;
        } else {
            line[i] = QChar::ReplacementCharacter;
        }
    }
}

void readLines(QTextStream &stream, ProfileData &data, ObjectLines objectLines)
{
    // One buffer for every line: it is only copied when a line is kept whole.
    QString line;
    while (stream.readLineInto(&line)) {
        replaceLoneSurrogates(line);
        classifyLine(line, data, objectLines);
    }
}

QString modeLetters(const QSet<ObjectRule::Mode> &modes)
{
    if (modes.isEmpty()) {
        return QStringLiteral("rwc");
    }
    QString letters;
    for (const ObjectRule::Mode mode : modes) {
        switch (mode) {
        case ObjectRule::Read:
            letters += QLatin1Char('r');
            break;
        case ObjectRule::Write:
            letters += QLatin1Char('w');
            break;
        case ObjectRule::Create:
            letters += QLatin1Char('c');
            break;
        }
    }
    return letters;
}

QString targetLetters(const QSet<ObjectRule::Target> &targets)
{
    if (targets.isEmpty()) {
        return QStringLiteral("uo");
    }
    QString letters;
    for (const ObjectRule::Target target : targets) {
        switch (target) {
        case ObjectRule::TargetUser:
            letters += QLatin1Char('u');
            break;
        case ObjectRule::TargetOther:
            letters += QLatin1Char('o');
            break;
        }
    }
    return letters;
}

QString objectLine(const ObjectRule &rule)
{
    QString typeWord;
    switch (rule.type()) {
    case ObjectRule::File:
        typeWord = QStringLiteral("file");
        break;
    case ObjectRule::Link:
        typeWord = QStringLiteral("link");
        break;
    case ObjectRule::Unknown:
        break;
    }
    const QString filename = rule.filename();
    // A line feed would split the rule and let the rest of the name be read
    // as a line of its own (an include, say); such a name has no spelling in
    // the format, so the rule is left out like any other unwritable rule.
    if (typeWord.isEmpty() || filename.isEmpty() || filename.contains(QLatin1Char('\n'))) {
        return QString();
    }
    QString line = QLatin1Char('+') + typeWord + QLatin1Char(' ') + modeLetters(rule.modes()) + QLatin1Char(' ') + targetLetters(rule.targets())
        + QLatin1String(": ") + filename;
    if (rule.deleted()) {
        line += QLatin1String(" (deleted)");
    }
    return line;
}
}

ProfileParser::ParseResult::ParseResult() = default;

ProfileData ProfileParser::ParseResult::data() const
{
    return m_data;
}

ProfileParser::ParseResult ProfileParser::parseTextStream(QTextStream &stream)
{
    ParseResult result;
    readLines(stream, result.m_data, ObjectLines::Quick);
    return result;
}

ProfileParser::ParseResult ProfileParser::parseText(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    QTextStream stream(&bytes, QIODevice::ReadOnly);
    stream.setCodec("UTF-8");
    return parseTextStream(stream);
}

ProfileData parseTextByExpression(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    QTextStream stream(&bytes, QIODevice::ReadOnly);
    stream.setCodec("UTF-8");
    ProfileData data;
    readLines(stream, data, ObjectLines::ByExpression);
    return data;
}

QString ProfileParser::profileDataSerialization(const ProfileData &data)
{
    QStringList lines;
    const QSet<IncludeRule> includes = data.includes();
    const QSet<ObjectRule> rules = data.objectRules();
    const QStringList comments = data.comments();
    lines.reserve(includes.size() + rules.size() + comments.size());

    for (const IncludeRule &include : includes) {
        const QString name = include.name();
        // Same reason as for file names: a line feed would smuggle in a line.
        lines.append(name.contains(QLatin1Char('\n')) ? QString() : QString(QLatin1String("@include ") + name));
    }
    for (const ObjectRule &rule : rules) {
        lines.append(objectLine(rule));
    }
    for (const QString &comment : comments) {
        // A comment with line feeds becomes several comment lines, so that no
        // part of it can be read back as a rule.
        const QStringList parts = comment.split(QLatin1Char('\n'));
        for (const QString &part : parts) {
            // The reader takes a carriage return before a line feed for part
            // of the line's end; one more keeps the comment's own, which would
            // otherwise be lost one per save.
            lines.append(QLatin1Char('#') + part + (part.endsWith(QLatin1Char('\r')) ? QStringLiteral("\r") : QString()));
        }
    }

    if (lines.isEmpty()) {
        return QString();
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QSet<ObjectRule> ProfileParser::combineObjectRules(const QSet<ObjectRule> &rules)
{
    // Rules are the same object when filename, type and deleted flag agree.
    using ObjectKey = QPair<QString, int>;
    QHash<ObjectKey, ObjectRule> merged;
    merged.reserve(rules.size());
    for (const ObjectRule &rule : rules) {
        const ObjectKey key(rule.filename(), int(rule.type()) * 2 + (rule.deleted() ? 1 : 0));
        const auto found = merged.find(key);
        if (found == merged.end()) {
            merged.insert(key, rule);
        } else {
            found->insertModes(rule.modes());
            found->insertTargets(rule.targets());
        }
    }
    return QSet<ObjectRule>(merged.cbegin(), merged.cend());
}

QSet<ObjectRule> ProfileParser::recordedObjectRules(const QString &text)
{
    return combineObjectRules(parseText(text).data().objectRules());
}

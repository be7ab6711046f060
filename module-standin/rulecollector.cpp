/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "rulecollector.h"

#include "profile/profiledata.h"
#include "profile/profileparser.h"
#include "tracereport.h"

namespace
{
QString text(const QByteArray &path)
{
    return QString::fromLatin1(TraceReport::escapePath(path));
}

// A log line as a note can show it: control bytes escaped, the rest as it is.
QString printable(QByteArray line)
{
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    QByteArray shown;
    for (const char c : qAsConst(line)) {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte < 0x20 || byte == 0x7f ? TraceReport::escapePath(QByteArray(1, c)) : QByteArray(1, c);
    }
    return QString::fromUtf8(shown);
}

// Why a recorded path must not become a rule as it is; empty when it may.
// "*" is the one character a rule's path gives meaning to: a recorded one
// would grant every name in its place, so it never becomes a rule. A path
// that stays in a rule never holds what a terminal or a list would act on
// or show as something else: control characters (C0, DEL, C1), line and
// paragraph separators, and the marks that turn the direction of text.
QString recordedPathProblem(const QString &path)
{
    if (path.contains(QLatin1Char('*'))) {
        return QStringLiteral("a \"*\" in a rule matches every name, so this rule would grant more than was recorded");
    }
    for (const QChar c : path) {
        const ushort code = c.unicode();
        const bool direction = code == 0x061c || code == 0x200e || code == 0x200f || (code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069);
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line || category == QChar::Separator_Paragraph || direction) {
            return QStringLiteral("the path holds a control character (U+%1)").arg(code, 4, 16, QLatin1Char('0'));
        }
    }
    return QString();
}

QString serialized(const ObjectRule &rule)
{
    ProfileData data;
    data.insertObjectRule(rule);
    return ProfileParser::profileDataSerialization(data);
}
}

RuleCollector::RuleCollector(uid_t uid)
    : m_uid(uid)
{
}

void RuleCollector::addLine(const QByteArray &line)
{
    if (readDropped(line)) {
        return;
    }
    TraceReport report;
    switch (TraceReport::parse(line, &report)) {
    case TraceReport::Parse::NotAReport:
        return;
    case TraceReport::Parse::Malformed:
        m_notes.append(QStringLiteral("unreadable trace report left out: %1").arg(printable(line)));
        return;
    case TraceReport::Parse::Report:
        break;
    }
    if (report.uid != m_uid) {
        return;
    }
    const auto key = qMakePair(report.path, int(report.type));
    auto known = m_rules.find(key);
    if (known != m_rules.end()) {
        known->insertMode(report.mode);
        known->insertTarget(report.target);
        return;
    }
    // A path left out is said once, however often it was reported.
    if (m_leftOut.contains(key)) {
        return;
    }
    ObjectRule rule;
    rule.setType(report.type);
    rule.setFilename(QString::fromUtf8(report.path));
    rule.insertMode(report.mode);
    rule.insertTarget(report.target);
    if (rule.filename().toUtf8() != report.path) {
        m_notes.append(QStringLiteral("%1 left out: the path is not UTF-8").arg(text(report.path)));
        m_leftOut.insert(key);
        return;
    }
    const QString problem = recordedPathProblem(rule.filename());
    if (!problem.isEmpty()) {
        m_notes.append(QStringLiteral("%1 left out: %2").arg(text(report.path), problem));
        m_leftOut.insert(key);
        return;
    }
    if (!profileCanHold(rule)) {
        m_notes.append(QStringLiteral("%1 left out: a profile line cannot hold this path").arg(text(report.path)));
        m_leftOut.insert(key);
        return;
    }
    m_rules.insert(key, rule);
}

// Each count line holds the whole period's count so far: the last one counts.
bool RuleCollector::readDropped(const QByteArray &line)
{
    uid_t uid = 0;
    qint64 count = 0;
    if (!TraceReport::parseDropped(line, &uid, &count)) {
        return false;
    }
    if (uid == m_uid) {
        m_dropped = count;
    }
    return true;
}

QString RuleCollector::droppedNote() const
{
    if (m_dropped <= 0) {
        return QString();
    }
    return QStringLiteral("up to %1 accesses of uid %2 are missing from the log: trace mode's limit of reports per user was reached, so rules may be missing; "
                          "record again with less going on")
        .arg(m_dropped)
        .arg(m_uid);
}

// A path a profile cannot hold does not read back as itself: a line feed
// splits the line, blanks at the end are dropped, " (deleted)" becomes the
// flag of that name.
bool RuleCollector::profileCanHold(const ObjectRule &rule) const
{
    const QSet<ObjectRule> read = ProfileParser::parseText(serialized(rule)).data().objectRules();
    return read.size() == 1 && *read.cbegin() == rule;
}

QString RuleCollector::rulesText() const
{
    QString result;
    for (const ObjectRule &rule : m_rules) {
        result += serialized(rule);
    }
    return result;
}

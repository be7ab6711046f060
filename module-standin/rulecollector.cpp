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
    ObjectRule rule;
    rule.setType(report.type);
    rule.setFilename(QString::fromUtf8(report.path));
    rule.insertMode(report.mode);
    rule.insertTarget(report.target);
    if (rule.filename().toUtf8() != report.path) {
        m_notes.append(QStringLiteral("%1 left out: the path is not UTF-8").arg(text(report.path)));
        return;
    }
    if (!profileCanHold(rule)) {
        m_notes.append(QStringLiteral("%1 left out: a profile line cannot hold this path").arg(text(report.path)));
        return;
    }
    m_rules.insert(key, rule);
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

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "rulecollector.h"

#include "profile/profiledata.h"
#include "profile/profileparser.h"
#include "systempaths.h"
#include "tracereport.h"

#include <algorithm>
#include <cctype>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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

// A name made by mktemp and its kind: a run of at least six letters and
// digits at its end (after the last '.', '-' or '_') that mixes two of
// upper case, lower case and digits. Only names the run created are asked.
bool looksRandom(const QByteArray &name)
{
    int start = name.size();
    while (start > 0 && std::isalnum(static_cast<unsigned char>(name.at(start - 1)))) {
        --start;
    }
    if (name.size() - start < 6) {
        return false;
    }
    bool upper = false;
    bool lower = false;
    bool digit = false;
    for (int i = start; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name.at(i));
        upper = upper || std::isupper(c);
        lower = lower || std::islower(c);
        digit = digit || std::isdigit(c);
    }
    return int(upper) + int(lower) + int(digit) >= 2;
}

// How many of the names folded into one folder rule its note lists.
constexpr int namesInNote = 10;

// The shallowest of @p path's prefixes, @p path itself the last, that
// @p meets; empty when none does.
template<typename Meets>
QByteArray shallowestPrefix(const QByteArray &path, Meets meets)
{
    for (int slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray prefix = slash < 0 ? path : path.left(slash);
        if (meets(prefix)) {
            return prefix;
        }
        if (slash < 0) {
            return QByteArray();
        }
    }
}

// Fewer read files than this are always kept one by one.
constexpr int folderRuleFiles = 8;

QByteArray parentOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
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
    // A recorded path is judged as it was reported, before it is written
    // for every user's home (which brings in a "*" of our own).
    const auto reported = qMakePair(report.path, int(report.type));
    if (m_leftOut.contains(reported)) {
        // A path left out is said once, however often it was reported.
        return;
    }
    const QString filename = QString::fromUtf8(report.path);
    if (filename.toUtf8() != report.path) {
        m_notes.append(QStringLiteral("%1 left out: the path is not UTF-8").arg(text(report.path)));
        m_leftOut.insert(reported);
        return;
    }
    const QString problem = recordedPathProblem(filename);
    if (!problem.isEmpty()) {
        m_notes.append(QStringLiteral("%1 left out: %2").arg(text(report.path), problem));
        m_leftOut.insert(reported);
        return;
    }
    report.path = forEverySessionTmpDir(forEveryHome(report.path, report.target), report.target);
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
    if (!profileCanHold(rule)) {
        m_notes.append(QStringLiteral("%1 left out: a profile line cannot hold this path").arg(text(report.path)));
        m_leftOut.insert(reported);
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

// The user's own objects below a home directory are written for whichever
// user's home they lie in ("u" applies only to what the user owns), so the
// rule fits every kiosk user the profile is given to, not only the account
// it was recorded with. Someone else's object there keeps its own path.
QByteArray RuleCollector::forEveryHome(const QByteArray &path, ObjectRule::Target target)
{
    const QByteArray homes = QByteArray(SystemPaths::homesDir) + '/';
    if (target != ObjectRule::TargetUser || !path.startsWith(homes)) {
        return path;
    }
    const int end = path.indexOf('/', homes.size());
    const QByteArray name = path.mid(homes.size(), end < 0 ? -1 : end - homes.size());
    if (name.isEmpty() || name.startsWith('.') || name.contains('*')) {
        return path;
    }
    const QByteArray general = homes + '*' + (end < 0 ? QByteArray() : path.mid(end));
    m_homeRules.insert(general);
    return general;
}

// The session's own temporary directory is named by its uid: written as
// every session's own, the shape of the base profile's rule for it, so the
// rule fits every kiosk user. Only the recording account's directory is
// taken, and only what it owns there.
QByteArray RuleCollector::forEverySessionTmpDir(const QByteArray &path, ObjectRule::Target target)
{
    const QByteArray own = QByteArray(SystemPaths::sessionTmpDir) + '/' + QByteArray::number(qulonglong(m_uid));
    if (target != ObjectRule::TargetUser || !path.startsWith(own) || (path.size() > own.size() && path.at(own.size()) != '/')) {
        return path;
    }
    const QByteArray general = QByteArray(SystemPaths::sessionTmpDir) + "/*" + path.mid(own.size());
    m_tmpDirRules.insert(general);
    return general;
}

RuleCollector::Collected RuleCollector::collect() const
{
    Collected collected;
    collected.notes = m_notes;
    const Rules rules = withFoldersProposed(withRandomNamesFolded(&collected.notes), &collected.notes);
    if (!m_homeRules.isEmpty()) {
        collected.notes.append(QStringLiteral("%1 rules below the recording account's home written for each user's own home (%2/*)")
                                   .arg(m_homeRules.size())
                                   .arg(QString::fromUtf8(SystemPaths::homesDir)));
    }
    if (!m_tmpDirRules.isEmpty()) {
        collected.notes.append(QStringLiteral("%1 rules below the recording session's temporary directory written for each session's own (%2/*)")
                                   .arg(m_tmpDirRules.size())
                                   .arg(QString::fromUtf8(SystemPaths::sessionTmpDir)));
    }
    for (const ObjectRule &rule : rules) {
        collected.rulesText += serialized(rule);
    }
    return collected;
}

// A path a profile cannot hold does not read back as itself: a line feed
// splits the line, blanks at the end are dropped, " (deleted)" becomes the
// flag of that name.
bool RuleCollector::profileCanHold(const ObjectRule &rule) const
{
    const QSet<ObjectRule> read = ProfileParser::parseText(serialized(rule)).data().objectRules();
    return read.size() == 1 && *read.cbegin() == rule;
}

// A name made anew in every run (a temporary file or directory, a socket)
// would be a rule that names nothing at the next login. Only what exists at
// login can be named, so it and everything below it become one rule on the
// folder the run made it in, with every mode used there: the narrowest that
// lets the next run make a name of its own there and use it.
RuleCollector::Rules RuleCollector::withRandomNamesFolded(QStringList *notes) const
{
    // A random name the run made: created in the run, or gone by now
    // (trace mode reports nothing the profiles allowed, its creation among it).
    // A path written for every user's own names no one file to look for:
    // only its creation tells.
    const auto madeInRun = [this](const QByteArray &path) {
        const ObjectRule known = m_rules.value(qMakePair(path, int(ObjectRule::File)));
        struct stat info {
        };
        return known.modes().contains(ObjectRule::Create) || (!path.contains('*') && lstat(path.constData(), &info) != 0);
    };
    // Never one inside another: a path's shallowest such prefix is taken.
    QSet<QByteArray> roots;
    QByteArray lastRoot;
    for (auto it = m_rules.constBegin(); it != m_rules.constEnd(); ++it) {
        const QByteArray &path = it.key().first;
        // In path order, so an enclosing one came first.
        if (!lastRoot.isEmpty() && path.startsWith(lastRoot + '/')) {
            continue;
        }
        const QByteArray root = shallowestPrefix(path, [&madeInRun](const QByteArray &prefix) {
            return looksRandom(prefix.mid(prefix.lastIndexOf('/') + 1)) && madeInRun(prefix);
        });
        if (!root.isEmpty()) {
            roots.insert(root);
            lastRoot = root;
        }
    }
    if (roots.isEmpty()) {
        return m_rules;
    }
    Rules result;
    QMap<QByteArray, ObjectRule> folders;
    QMap<QByteArray, QStringList> foldedNames;
    QSet<QByteArray> named;
    for (auto it = m_rules.constBegin(); it != m_rules.constEnd(); ++it) {
        // Looked up by the path's own prefixes: a flood of names made anew
        // is as many roots as rules.
        const QByteArray root = shallowestPrefix(it.key().first, [&roots](const QByteArray &prefix) {
            return roots.contains(prefix);
        });
        if (root.isEmpty()) {
            result.insert(it.key(), *it);
            continue;
        }
        const QByteArray folder = parentOf(root);
        ObjectRule &rule = folders[folder];
        rule.insertModes(it->modes());
        rule.insertTargets(it->targets());
        if (!named.contains(root)) {
            named.insert(root);
            foldedNames[folder].append(text(root));
        }
    }
    for (auto it = folders.begin(); it != folders.end(); ++it) {
        ObjectRule rule;
        rule.setType(ObjectRule::File);
        rule.setFilename(QString::fromUtf8(it.key()));
        rule.insertModes(it->modes());
        // The folder's own owner decides at login, not that of what was made in it.
        struct stat info {
        };
        if (!it.key().contains('*') && stat(it.key().constData(), &info) == 0) {
            rule.insertTarget(info.st_uid == m_uid ? ObjectRule::TargetUser : ObjectRule::TargetOther);
        } else {
            rule.insertTargets(it->targets());
        }
        const auto key = qMakePair(it.key(), int(ObjectRule::File));
        const auto known = result.find(key);
        if (known != result.end()) {
            rule.insertModes(known->modes());
            rule.insertTargets(known->targets());
        }
        result.insert(key, rule);
        // A flood of them would be a note of megabytes for the administrator.
        const QStringList names = foldedNames.value(it.key());
        QString listed = names.mid(0, namesInNote).join(QLatin1String(", "));
        if (names.size() > namesInNote) {
            listed += QStringLiteral(" and %1 more").arg(names.size() - namesInNote);
        }
        notes->append(QStringLiteral("names made anew in each run (%1) are granted as one rule on the folder they were made in: %2")
                          .arg(listed, serialized(rule).trimmed()));
    }
    return result;
}

// A run that read most of a folder's files (a program's data: syntax
// definitions, icons, translations) reads the rest another time: one rule
// on the folder instead of one per file, which also holds when the folder
// changes with an update. Only plain reads are put together.
RuleCollector::Rules RuleCollector::withFoldersProposed(const Rules &rules, QStringList *notes) const
{
    QMap<QByteArray, QVector<QPair<QByteArray, int>>> readIn;
    for (auto it = rules.constBegin(); it != rules.constEnd(); ++it) {
        if (it->type() == ObjectRule::File && it->modes() == QSet<ObjectRule::Mode>{ObjectRule::Read} && !it.key().first.contains('*')) {
            readIn[parentOf(it.key().first)].append(it.key());
        }
    }
    Rules result = rules;
    for (auto folder = readIn.constBegin(); folder != readIn.constEnd(); ++folder) {
        if (folder->size() < folderRuleFiles || folder.key() == "/") {
            continue;
        }
        DIR *listing = opendir(folder.key().constData());
        if (!listing) {
            continue;
        }
        int files = 0;
        while (const dirent *entry = readdir(listing)) {
            struct stat info {
            };
            if (fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode)) {
                ++files;
            }
        }
        closedir(listing);
        struct stat info {
        };
        // Most: three in four of the files there now.
        if (files == 0 || folder->size() * 4 < files * 3 || stat(folder.key().constData(), &info) != 0) {
            continue;
        }
        ObjectRule rule;
        rule.setType(ObjectRule::File);
        rule.setFilename(QString::fromUtf8(folder.key()));
        rule.insertMode(ObjectRule::Read);
        rule.insertTarget(info.st_uid == m_uid ? ObjectRule::TargetUser : ObjectRule::TargetOther);
        for (const auto &key : folder.value()) {
            result.remove(key);
        }
        const auto key = qMakePair(folder.key(), int(ObjectRule::File));
        const auto known = result.constFind(key);
        if (known != result.constEnd()) {
            rule.insertModes(known->modes());
            rule.insertTargets(known->targets());
        }
        result.insert(key, rule);
        notes->append(QStringLiteral("%1 of the %2 files in %3 were read: proposed as one rule on the folder, which grants reading all of it: %4")
                          .arg(folder->size())
                          .arg(files)
                          .arg(text(folder.key()), serialized(rule).trimmed()));
    }
    return result;
}


/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/updatepreview.h"

#include "profile/printable.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <dtl/dtl.hpp>

#include <map>
#include <vector>

namespace
{
// Unchanged lines shown on each side of a change.
constexpr int contextLines = 2;

QString tr(const char *text)
{
    return QCoreApplication::translate("UpdatePreview", text);
}

std::optional<QString> readKioskText(const SystemKiosk::Entry &entry)
{
    QFile file(SystemKiosk::directoryPath(entry.directory) + QLatin1Char('/') + entry.file);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

std::vector<QString> lines(const QString &text)
{
    QStringList split = text.split(QLatin1Char('\n'));
    if (!split.isEmpty() && split.last().isEmpty()) {
        split.removeLast();
    }
    return std::vector<QString>(split.cbegin(), split.cend());
}

// Names and texts from the tree or a bundle, as the save question shows them.
QString displayed(const QString &text)
{
    return Utils::printable(text);
}

QString account(const QString &name)
{
    return displayed(SystemKiosk::accountOfUserEntry(name));
}

// The writer keeps no order among a profile's includes and rules, so a line
// a save keeps could stand elsewhere in the new text and read as removed and
// added. The kept lines are put in the order they stand in now; a new line
// follows the kept line it follows in the new text.
std::vector<QString> inOrderOf(const std::vector<QString> &before, const std::vector<QString> &after)
{
    QHash<QString, int> unmatched;
    for (const QString &line : before) {
        ++unmatched[line];
    }
    QHash<QString, int> kept;
    // The lines new in @p after, by the kept line before them (the k-th kept
    // occurrence of a text); those before every kept line come first.
    std::map<std::pair<QString, int>, std::vector<QString>> following;
    std::vector<QString> *target = nullptr;
    std::vector<QString> leading;
    for (const QString &line : after) {
        int &left = unmatched[line];
        if (left > 0) {
            --left;
            target = &following[{line, kept[line]++}];
        } else {
            (target ? *target : leading).push_back(line);
        }
    }
    std::vector<QString> result = std::move(leading);
    QHash<QString, int> seen;
    for (const QString &line : before) {
        const int occurrence = seen[line]++;
        if (occurrence < kept.value(line)) {
            result.push_back(line);
            const std::vector<QString> &added = following[{line, occurrence}];
            result.insert(result.end(), added.cbegin(), added.cend());
        }
    }
    return result;
}

bool isDisabled(const QString &name)
{
    bool enabled = true;
    SystemKiosk::accountOfUserEntry(name, &enabled);
    return !enabled;
}
}

UpdatePreview::UpdatePreview(const UpdateActionsMap &map, CurrentText current)
{
    if (!current) {
        current = readKioskText;
    }
    const auto textOf = [&current](const std::optional<SystemKiosk::Entry> &entry) {
        return entry ? current(*entry) : std::nullopt;
    };

    // Users: a move between the two directories is an enable or a disable,
    // one to another account name a rename; the text follows the user.
    const QMap<QString, QString> usersToRename = map.usersToRename();
    QMap<QString, QString> renamedFrom;
    for (auto it = usersToRename.cbegin(); it != usersToRename.cend(); ++it) {
        renamedFrom.insert(it.value(), it.key());
        if (account(it.key()) != account(it.value())) {
            m_summary.append(tr("User renamed: %1 → %2").arg(account(it.key()), account(it.value())));
        }
        if (isDisabled(it.key()) && !isDisabled(it.value())) {
            m_summary.append(tr("User enabled: %1").arg(account(it.value())));
        } else if (!isDisabled(it.key()) && isDisabled(it.value())) {
            m_summary.append(tr("User disabled: %1").arg(account(it.value())));
        }
    }
    const QMap<QString, QString> usersToUpdate = map.usersToUpdate();
    for (auto it = usersToUpdate.cbegin(); it != usersToUpdate.cend(); ++it) {
        const std::optional<QString> before = textOf(SystemKiosk::userEntry(renamedFrom.value(it.key(), it.key())));
        if (!before) {
            m_summary.append(tr("User added: %1").arg(account(it.key())));
        } else if (*before != it.value()) {
            m_differences.append(tr("Profile of user %1:").arg(account(it.key())));
            m_differences.append(lineDifference(*before, it.value()));
        }
    }
    const QStringList usersToRemove = map.usersToRemove();
    for (const QString &name : usersToRemove) {
        m_summary.append(tr("User removed: %1").arg(account(name)));
    }

    const QMap<QString, QString> profilesToRename = map.profilesToRename();
    QMap<QString, QString> profileRenamedFrom;
    for (auto it = profilesToRename.cbegin(); it != profilesToRename.cend(); ++it) {
        profileRenamedFrom.insert(it.value(), it.key());
        m_summary.append(tr("Profile renamed: %1 → %2").arg(displayed(it.key()), displayed(it.value())));
    }
    const QMap<QString, QString> profilesToUpdate = map.profilesToUpdate();
    for (auto it = profilesToUpdate.cbegin(); it != profilesToUpdate.cend(); ++it) {
        const std::optional<QString> before = textOf(SystemKiosk::systemEntry(profileRenamedFrom.value(it.key(), it.key())));
        if (!before) {
            m_summary.append(tr("Profile added: %1").arg(displayed(it.key())));
        } else if (*before != it.value()) {
            m_differences.append(tr("Profile %1:").arg(displayed(it.key())));
            m_differences.append(lineDifference(*before, it.value()));
        }
    }
    const QStringList profilesToRemove = map.profilesToRemove();
    for (const QString &name : profilesToRemove) {
        m_summary.append(tr("Profile removed: %1").arg(displayed(name)));
    }
}

QStringList UpdatePreview::summary() const
{
    return m_summary;
}

QString UpdatePreview::text() const
{
    QStringList all = m_summary;
    if (!m_summary.isEmpty() && !m_differences.isEmpty()) {
        all.append(QString());
    }
    all.append(m_differences);
    return all.join(QLatin1Char('\n'));
}

QStringList UpdatePreview::lineDifference(const QString &before, const QString &after)
{
    const std::vector<QString> a = lines(before);
    const std::vector<QString> b = inOrderOf(a, lines(after));
    dtl::Diff<QString, std::vector<QString>> diff(a, b);
    diff.compose();
    const auto &sequence = diff.getSes().getSequence();

    // Which lines to show: every change and a little context around it.
    const int count = int(sequence.size());
    std::vector<bool> shown(sequence.size(), false);
    for (int i = 0; i < count; ++i) {
        if (sequence[size_t(i)].second.type != dtl::SES_COMMON) {
            for (int j = std::max(0, i - contextLines); j <= std::min(count - 1, i + contextLines); ++j) {
                shown[size_t(j)] = true;
            }
        }
    }
    QStringList result;
    bool gap = false;
    for (int i = 0; i < count; ++i) {
        if (!shown[size_t(i)]) {
            gap = true;
            continue;
        }
        if (gap && !result.isEmpty()) {
            result.append(QStringLiteral("  …"));
        }
        gap = false;
        const auto &element = sequence[size_t(i)];
        const char *mark = element.second.type == dtl::SES_ADD ? "+ " : element.second.type == dtl::SES_DELETE ? "- " : "  ";
        result.append(QLatin1String(mark) + displayed(element.first));
    }
    return result;
}

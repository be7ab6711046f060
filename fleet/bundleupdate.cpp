/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "bundleupdate.h"

#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"
#include "store/updatepreview.h"

#include <QSet>

namespace
{
QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

// Equal bytes are equal texts; only different bytes need decoding.
bool sameText(const QByteArray &a, const QByteArray &b)
{
    return a == b || text(a) == text(b);
}

// The same account in the other directory: enabled for a disabled name and back.
QString otherState(const QString &name)
{
    bool enabled = true;
    const QString account = SystemKiosk::accountOfUserEntry(name, &enabled);
    return SystemKiosk::userEntryName(account, !enabled);
}

QString onOff(bool on)
{
    return on ? BundleUpdate::tr("on") : BundleUpdate::tr("off");
}
}

BundleUpdate::BundleUpdate(const KioskBundle &current, const KioskBundle &wanted)
    : m_current(current)
    , m_update(HelperActionsMap::programLocale())
    , m_enable(HelperActionsMap::programLocale())
{
    QMap<QString, QString> profilesToUpdate;
    QStringList profilesToRemove;
    for (auto it = wanted.profiles.cbegin(); it != wanted.profiles.cend(); ++it) {
        const auto now = current.profiles.constFind(it.key());
        if (now == current.profiles.constEnd() || !sameText(now.value(), it.value())) {
            profilesToUpdate.insert(it.key(), text(it.value()));
        }
    }
    for (auto it = current.profiles.cbegin(); it != current.profiles.cend(); ++it) {
        if (!wanted.profiles.contains(it.key())) {
            profilesToRemove.append(it.key());
        }
    }

    // A user that is only enabled or disabled moves, as the program moves
    // it, rather than being written anew in one directory and removed from
    // the other.
    QMap<QString, QString> usersToRename;
    QMap<QString, QString> usersToUpdate;
    QStringList usersToRemove;
    QSet<QString> moved;
    for (auto it = wanted.users.cbegin(); it != wanted.users.cend(); ++it) {
        QString from = it.key();
        if (!current.users.contains(from) && current.users.contains(otherState(from))) {
            from = otherState(from);
            usersToRename.insert(from, it.key());
            moved.insert(from);
        }
        const auto now = current.users.constFind(from);
        if (now == current.users.constEnd() || !sameText(now.value(), it.value())) {
            usersToUpdate.insert(it.key(), text(it.value()));
        }
    }
    for (auto it = current.users.cbegin(); it != current.users.cend(); ++it) {
        if (!wanted.users.contains(it.key()) && !moved.contains(it.key())) {
            usersToRemove.append(it.key());
        }
    }

    m_changesProfiles =
        !(profilesToUpdate.isEmpty() && profilesToRemove.isEmpty() && usersToRename.isEmpty() && usersToUpdate.isEmpty() && usersToRemove.isEmpty());
    m_update.setProfilesToUpdate(profilesToUpdate);
    m_update.setProfilesToRemove(profilesToRemove);
    m_update.setUsersToRename(usersToRename);
    m_update.setUsersToUpdate(usersToUpdate);
    m_update.setUsersToRemove(usersToRemove);

    if (current.autoEnforce != wanted.autoEnforce) {
        m_enable.enableAutoEnforce(wanted.autoEnforce);
        m_switchChanges.append(tr("Kiosk mode after reboot: %1 → %2").arg(onOff(current.autoEnforce), onOff(wanted.autoEnforce)));
    }
    if (current.autoComplain != wanted.autoComplain) {
        m_enable.enableAutoComplain(wanted.autoComplain);
        m_switchChanges.append(tr("Global rule recording after reboot: %1 → %2").arg(onOff(current.autoComplain), onOff(wanted.autoComplain)));
    }
}

bool BundleUpdate::isEmpty() const
{
    return !changesProfiles() && !changesSwitches();
}

bool BundleUpdate::changesProfiles() const
{
    return m_changesProfiles;
}

bool BundleUpdate::changesSwitches() const
{
    return !m_switchChanges.isEmpty();
}

UpdateActionsMap BundleUpdate::updateMap() const
{
    return m_update;
}

EnableActionsMap BundleUpdate::enableMap() const
{
    return m_enable;
}

QString BundleUpdate::preview() const
{
    QStringList parts;
    if (m_changesProfiles) {
        // The texts the update replaces are the ones already read, whatever
        // tree they came from.
        const KioskBundle &current = m_current;
        const UpdatePreview preview(m_update, [&current](const SystemKiosk::Entry &entry) -> std::optional<QString> {
            const QMap<QString, QByteArray> &files = entry.directory == SystemKiosk::Directory::System ? current.profiles : current.users;
            const auto found = files.constFind(SystemKiosk::entryName(entry));
            return found == files.constEnd() ? std::nullopt : std::optional<QString>(text(found.value()));
        });
        parts.append(preview.text());
    }
    if (!m_switchChanges.isEmpty()) {
        parts.append(m_switchChanges.join(QLatin1Char('\n')));
    }
    return parts.join(QStringLiteral("\n\n"));
}

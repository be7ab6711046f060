/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kiosksave.h"

#include "protocol/helperconstants.h"
#include "store/kiosksnapshots.h"
#include "store/kiosktransaction.h"
#include "store/systemkiosk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QSet>

namespace
{
// The store refuses to go through a symbolic link in the kiosk tree; found
// half-way, that would leave the earlier steps done and the rest undone.
QString linkedEntryError(const UpdateActionsMap &map)
{
    const SystemKiosk kiosk;
    const QStringList users = map.usersToRename().keys() + map.usersToRename().values() + map.usersToUpdate().keys() + map.usersToRemove();
    const QStringList profiles = map.profilesToRename().keys() + map.profilesToRename().values() + map.profilesToUpdate().keys() + map.profilesToRemove();
    QString link;
    for (auto it = users.cbegin(); it != users.cend() && link.isEmpty(); ++it) {
        link = kiosk.userProfileLink(*it);
    }
    for (auto it = profiles.cbegin(); it != profiles.cend() && link.isEmpty(); ++it) {
        link = kiosk.systemProfileLink(*it);
    }
    if (link.isEmpty()) {
        return QString();
    }
    return QCoreApplication::translate("KioskSave", "'%1' in the kiosk tree is a symbolic link, which is never followed. Nothing has been changed.").arg(link);
}

// Whether the tree is as it was is the first thing the administrator needs
// to know after a failed save.
QString saveFailure(const DetailsException &e)
{
    if (dynamic_cast<const KioskTransaction::UnfinishedSave *>(&e)) {
        return QCoreApplication::translate("KioskSave", "An earlier save that was interrupted cannot be put in order: %1. Nothing has been changed.").arg(e.fullDetails());
    }
    if (KioskTransaction::hasUnfinishedSave()) {
        return QCoreApplication::translate("KioskSave", "%1. The save could not be undone completely; it will be undone the next time the helper starts.").arg(e.fullDetails());
    }
    return QCoreApplication::translate("KioskSave", "%1. Nothing has been changed.").arg(e.fullDetails());
}

// The program renames many entries at once: b to c and a to b, with both
// texts kept. Carried out one after the other, each rename must wait for
// the one that frees its target. Renames in a circle (a to b, b to a) have
// no such order; they are refused whole. Empty with @p circle set then.
QList<QPair<QString, QString>> renameOrder(const QMap<QString, QString> &renames, QString *circle)
{
    QList<QPair<QString, QString>> ordered;
    QSet<QString> done;
    for (auto it = renames.cbegin(); it != renames.cend(); ++it) {
        if (done.contains(it.key())) {
            continue;
        }
        // The chain from here to the first target that no rename frees.
        QStringList chain;
        QSet<QString> onChain;
        QString current = it.key();
        while (true) {
            chain.append(current);
            onChain.insert(current);
            const QString next = renames.value(current);
            if (!renames.contains(next) || done.contains(next)) {
                break;
            }
            if (onChain.contains(next)) {
                *circle = next;
                return {};
            }
            current = next;
        }
        for (int i = chain.size() - 1; i >= 0; --i) {
            ordered.append({chain.at(i), renames.value(chain.at(i))});
            done.insert(chain.at(i));
        }
    }
    return ordered;
}
}

KioskSave::KioskSave(const std::function<void()> &progress)
    : m_progress(progress)
{
}

QString KioskSave::summary(const UpdateActionsMap &map)
{
    QStringList parts;
    const auto add = [&parts](int count, const char *text) {
        if (count > 0) {
            parts.append(QCoreApplication::translate("KioskSave", text, nullptr, count));
        }
    };
    add(map.usersToRename().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n user(s) renamed, enabled or disabled"));
    add(map.profilesToRename().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n profile(s) renamed"));
    add(map.usersToUpdate().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n user profile(s) written"));
    add(map.profilesToUpdate().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n profile(s) written"));
    add(map.usersToRemove().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n user(s) removed"));
    add(map.profilesToRemove().size(), QT_TRANSLATE_N_NOOP("KioskSave", "%n profile(s) removed"));
    return parts.join(QStringLiteral(", "));
}

QString KioskSave::apply(const UpdateActionsMap &map)
{
    const QString linkError = linkedEntryError(map);
    if (!linkError.isEmpty()) {
        return linkError;
    }
    QString circle;
    const QList<QPair<QString, QString>> usersToRename = renameOrder(map.usersToRename(), &circle);
    const QList<QPair<QString, QString>> profilesToRename = circle.isEmpty() ? renameOrder(map.profilesToRename(), &circle) : QList<QPair<QString, QString>>();
    if (!circle.isEmpty()) {
        return QCoreApplication::translate("KioskSave", "The renames of '%1' go round in a circle; save after each of them. Nothing has been changed.").arg(circle);
    }
    KioskTransaction transaction;
    for (const auto &rename : usersToRename) {
        transaction.renameUserProfile(rename.first, rename.second);
    }
    for (const auto &rename : profilesToRename) {
        transaction.renameSystemProfile(rename.first, rename.second);
    }
    const QMap<QString, QString> usersToUpdate = map.usersToUpdate();
    for (auto it = usersToUpdate.cbegin(); it != usersToUpdate.cend(); ++it) {
        transaction.updateUserProfile(it.key(), it.value());
    }
    const QMap<QString, QString> profilesToUpdate = map.profilesToUpdate();
    for (auto it = profilesToUpdate.cbegin(); it != profilesToUpdate.cend(); ++it) {
        transaction.updateSystemProfile(it.key(), it.value());
    }
    for (const QString &name : map.usersToRemove()) {
        transaction.removeUserProfile(name);
    }
    for (const QString &name : map.profilesToRemove()) {
        transaction.removeSystemProfile(name);
    }
    return commit(transaction, summary(map));
}

QString KioskSave::restore(const QString &id)
{
    KioskSnapshots::Info info;
    QList<KioskTransaction::Earlier> earlier;
    try {
        earlier = KioskSnapshots().read(id, &info);
    } catch (const DetailsException &e) {
        return QCoreApplication::translate("KioskSave", "%1. Nothing has been changed.").arg(e.fullDetails());
    }
    KioskTransaction transaction;
    for (const KioskTransaction::Earlier &entry : std::as_const(earlier)) {
        transaction.putBack(entry);
    }
    return commit(transaction,
                  QCoreApplication::translate("KioskSave", "Restored the configuration from before %1").arg(QLocale().toString(info.time.toLocalTime(), QLocale::ShortFormat)));
}

// The save is kept as an earlier configuration once it is checked whole; one
// that fails after that takes its snapshot back.
QString KioskSave::commit(KioskTransaction &transaction, const QString &summary)
{
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    const auto heartbeat = [this, &sinceProgress] {
        if (m_progress && sinceProgress.elapsed() >= HelperConstants::heartbeatIntervalMs) {
            m_progress();
            sinceProgress.restart();
        }
    };
    QString snapshot;
    try {
        transaction.commit(heartbeat, [&snapshot, &summary](const QList<KioskTransaction::Earlier> &earlier) {
            snapshot = KioskSnapshots().take(earlier, summary);
        });
    } catch (const DetailsException &e) {
        KioskSnapshots().remove(snapshot);
        return saveFailure(e);
    }
    return QString();
}

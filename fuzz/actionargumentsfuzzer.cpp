/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The helper's argument checks on any bytes, decoded as they arrive from the
// bus: one QDataStream blob holding the argument map.
//
// What must hold: a check never crashes, and a map that passes the update
// check gives the store only names that its own, separate test takes for
// entries of its directories.

#include "protocol/actionargumentscheck.h"

#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"

#include <QByteArray>
#include <QDataStream>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace
{
void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

bool plainName(const QString &name)
{
    return SystemKiosk().systemProfilePathIsValid(SystemKiosk::systemProfilesDir() + QLatin1Char('/') + name);
}

bool userName(const QString &name)
{
    return SystemKiosk().userProfilePathIsValid(SystemKiosk::userProfilesDir() + QLatin1Char('/') + name);
}

void checkUpdate(const QVariantMap &arguments)
{
    if (!ActionArgumentsCheck::updateArgumentsError(arguments).isEmpty()) {
        return;
    }
    const UpdateActionsMap map(arguments);
    const QMap<QString, QString> userRenames = map.usersToRename();
    for (auto it = userRenames.cbegin(); it != userRenames.cend(); ++it) {
        require(userName(it.key()) && userName(it.value()));
    }
    const QMap<QString, QString> profileRenames = map.profilesToRename();
    for (auto it = profileRenames.cbegin(); it != profileRenames.cend(); ++it) {
        require(plainName(it.key()) && plainName(it.value()));
    }
    const QStringList users = map.usersToUpdate().keys() + map.usersToRemove();
    for (const QString &name : users) {
        require(userName(name));
    }
    const QStringList profiles = map.profilesToUpdate().keys() + map.profilesToRemove();
    for (const QString &name : profiles) {
        require(plainName(name));
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray blob(reinterpret_cast<const char *>(data), int(size));
    QDataStream stream(&blob, QIODevice::ReadOnly);
    QVariantMap arguments;
    try {
        stream >> arguments;
    } catch (const std::bad_alloc &) {
        // Qt reserves whatever a list claims to hold before reading it; in
        // the helper this ends the process inside KAuth, before any code of
        // ours (see the README's security notes). Nothing of ours to check.
        return 0;
    }

    checkUpdate(arguments);
    if (ActionArgumentsCheck::enableArgumentsError(arguments).isEmpty()) {
        const EnableActionsMap map(arguments);
        (void)map.enforce();
        (void)map.autoEnforce();
        (void)map.complain();
        (void)map.autoComplain();
    }
    if (ActionArgumentsCheck::traceApplicationArgumentsError(arguments).isEmpty()) {
        const TraceApplicationActionsMap map(arguments);
        (void)map.username();
        (void)map.command();
        (void)map.display();
        (void)map.xauthorytyPath();
        (void)map.locale();
    }
    if (ActionArgumentsCheck::globalTraceArgumentsError(arguments).isEmpty()) {
        const GlobalTraceActionsMap map(arguments);
        (void)map.ignoreResult();
        (void)map.locale();
    }
    return 0;
}

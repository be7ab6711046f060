/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kiosktracersettings.h"

#include "protocol/helperactionsmap.h"
#include "systempaths.h"

#include <QStringList>

namespace
{
const QString tempUsersKey = QStringLiteral("tempUsers");
const QString tempAccountsKey = QStringLiteral("tempAccounts");
const QString recordingGroup = QStringLiteral("recording");
const QString unclaimedKey = QStringLiteral("unclaimedGlobalRecord");
const QString unclaimedTextsKey = QStringLiteral("texts");
const QString unclaimedWarningsKey = QStringLiteral("warnings");

QString settingsFile()
{
    return QString::fromUtf8(SystemPaths::tracerSettingsFile);
}
}

namespace Settings
{
KioskTracer::KioskTracer()
    : KioskSettings(QStringLiteral("kiosk_tracer"), settingsFile())
{
}

KioskTracer::~KioskTracer() = default;

QSet<QString> KioskTracer::tempUserProfiles() const
{
    const QStringList users = settings().value(tempUsersKey).toStringList();
    return QSet<QString>(users.cbegin(), users.cend());
}

void KioskTracer::setTempUserProfiles(const QSet<QString> &users)
{
    settings().setValue(tempUsersKey, QStringList(users.cbegin(), users.cend()));
}

QSet<QString> KioskTracer::tempAccounts() const
{
    const QStringList accounts = settings().value(tempAccountsKey).toStringList();
    return QSet<QString>(accounts.cbegin(), accounts.cend());
}

void KioskTracer::setTempAccounts(const QSet<QString> &accounts)
{
    settings().setValue(tempAccountsKey, QStringList(accounts.cbegin(), accounts.cend()));
}

KioskTracer::Recording KioskTracer::recording() const
{
    Recording recording;
    const QSettings &s = settings();
    const QString prefix = recordingGroup + QLatin1Char('/');
    recording.running = s.value(prefix + QStringLiteral("running"), false).toBool();
    recording.enforce = s.value(prefix + QStringLiteral("enforce"), false).toBool();
    recording.complain = s.value(prefix + QStringLiteral("complain"), false).toBool();
    recording.autoComplain = s.value(prefix + QStringLiteral("autoComplain"), false).toBool();
    recording.display = s.value(prefix + QStringLiteral("display")).toString();
    recording.xauthorityPath = s.value(prefix + QStringLiteral("xauthorityPath")).toString();
    recording.grantedUser = s.value(prefix + QStringLiteral("grantedUser")).toString();
    recording.cookieUser = s.value(prefix + QStringLiteral("cookieUser")).toString();
    recording.cookieHadFile = s.value(prefix + QStringLiteral("cookieHadFile"), false).toBool();
    recording.cookieBefore = s.value(prefix + QStringLiteral("cookieBefore")).toByteArray();
    return recording;
}

void KioskTracer::setRecording(const Recording &recording)
{
    QSettings &s = settings();
    s.beginGroup(recordingGroup);
    s.setValue(QStringLiteral("running"), recording.running);
    s.setValue(QStringLiteral("enforce"), recording.enforce);
    s.setValue(QStringLiteral("complain"), recording.complain);
    s.setValue(QStringLiteral("autoComplain"), recording.autoComplain);
    s.setValue(QStringLiteral("display"), recording.display);
    s.setValue(QStringLiteral("xauthorityPath"), recording.xauthorityPath);
    s.setValue(QStringLiteral("grantedUser"), recording.grantedUser);
    s.setValue(QStringLiteral("cookieUser"), recording.cookieUser);
    s.setValue(QStringLiteral("cookieHadFile"), recording.cookieHadFile);
    s.setValue(QStringLiteral("cookieBefore"), recording.cookieBefore);
    s.endGroup();
}

void KioskTracer::clearRecording()
{
    settings().remove(recordingGroup);
}

std::optional<KioskTracer::UnclaimedGlobalRecord> KioskTracer::unclaimedGlobalRecord() const
{
    const QVariantMap stored = settings().value(unclaimedKey).toMap();
    if (stored.isEmpty()) {
        return std::nullopt;
    }
    UnclaimedGlobalRecord result;
    const QVariantMap texts = stored.value(unclaimedTextsKey).toMap();
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        result.texts.insert(it.key(), it.value().toString());
    }
    result.warnings = stored.value(unclaimedWarningsKey).toStringList();
    return result;
}

void KioskTracer::setUnclaimedGlobalRecord(const std::optional<UnclaimedGlobalRecord> &result)
{
    if (!result) {
        settings().remove(unclaimedKey);
        return;
    }
    settings().setValue(unclaimedKey,
                        QVariantMap{{unclaimedTextsKey, HelperActionsMap::variantMapFromStringMap(result->texts)}, {unclaimedWarningsKey, result->warnings}});
}
}

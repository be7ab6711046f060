/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKTRACERSETTINGS_H
#define ORLA_KIOSKTRACERSETTINGS_H

#include "store/kiosksettings.h"

#include <QMap>
#include <QSet>
#include <QStringList>

#include <optional>

namespace Settings
{
/**
 * The rule recorder's bookkeeping, kept on disk so that a crash of the helper
 * leaves nothing behind unnoticed: temporary accounts still to be removed, and
 * what a recording changed (switches, a display grant) until it is undone.
 */
class ORLACOMMON_EXPORT KioskTracer : public KioskSettings
{
public:
    /** What a running recording must undo should its helper die. */
    struct Recording {
        bool running = false;
        bool enforce = false;
        bool complain = false;
        bool autoComplain = false;
        QString display;
        QString xauthorityPath;
        QString grantedUser;
        // The account whose ~/.Xauthority holds the display's cookie for the
        // recording, and what to put back there (nothing: remove it).
        QString cookieUser;
        bool cookieHadFile = false;
        QByteArray cookieBefore;
    };

    KioskTracer();
    ~KioskTracer() override;

    QSet<QString> tempUserProfiles() const;
    /** Replaces the stored set. */
    void setTempUserProfiles(const QSet<QString> &users);

    /** Temporary accounts of recordings, named before they are created and dropped once removed. */
    QSet<QString> tempAccounts() const;
    void setTempAccounts(const QSet<QString> &accounts);

    Recording recording() const;
    void setRecording(const Recording &recording);
    void clearRecording();

    /** What a global recording that ended by itself left for the next request. */
    struct UnclaimedGlobalRecord {
        /** Account to recorded rules text. */
        QMap<QString, QString> texts;
        QStringList warnings;
    };

    /** Nothing while no recording waits to be claimed. */
    std::optional<UnclaimedGlobalRecord> unclaimedGlobalRecord() const;
    /** Nothing: the result has been claimed. */
    void setUnclaimedGlobalRecord(const std::optional<UnclaimedGlobalRecord> &result);
};
}

#endif

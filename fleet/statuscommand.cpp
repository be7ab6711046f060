/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "statuscommand.h"

#include "exitstatus.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <optional>

namespace
{
struct Switch {
    std::optional<bool> on;
    QString error;
};

// A switch that cannot be read (the module not loaded) is reported as
// unknown, beside the others.
Switch readSwitch(const SystemKiosk &kiosk, bool (SystemKiosk::*read)() const)
{
    try {
        return {(kiosk.*read)(), QString()};
    } catch (const DetailsException &e) {
        return {std::nullopt, e.fullDetails()};
    }
}

QJsonValue json(const Switch &s)
{
    return s.on ? QJsonValue(*s.on) : QJsonValue(QJsonValue::Null);
}
}

int StatusCommand::run(Format format, QTextStream &out, QTextStream &err)
{
    const SystemKiosk kiosk;
    const Switch enforce = readSwitch(kiosk, &SystemKiosk::enforce);
    const Switch autoEnforce = readSwitch(kiosk, &SystemKiosk::autoEnforce);
    const Switch complain = readSwitch(kiosk, &SystemKiosk::complain);
    const Switch autoComplain = readSwitch(kiosk, &SystemKiosk::autoComplain);

    if (format == Format::Json) {
        const QJsonObject status{
            {QStringLiteral("kioskMode"), QJsonObject{{QStringLiteral("now"), json(enforce)}, {QStringLiteral("afterReboot"), json(autoEnforce)}}},
            {QStringLiteral("globalRecording"), QJsonObject{{QStringLiteral("now"), json(complain)}, {QStringLiteral("afterReboot"), json(autoComplain)}}},
        };
        out << QJsonDocument(status).toJson(QJsonDocument::Indented);
    } else {
        const auto text = [](const Switch &s) {
            return !s.on ? tr("unknown") : *s.on ? tr("on") : tr("off");
        };
        out << tr("Kiosk mode now: %1").arg(text(enforce)) << '\n'
            << tr("Kiosk mode after reboot: %1").arg(text(autoEnforce)) << '\n'
            << tr("Global rule recording now: %1").arg(text(complain)) << '\n'
            << tr("Global rule recording after reboot: %1").arg(text(autoComplain)) << Qt::endl;
    }
    bool unread = false;
    for (const Switch *s : {&enforce, &autoEnforce, &complain, &autoComplain}) {
        if (!s->on) {
            err << s->error << Qt::endl;
            unread = true;
        }
    }
    return unread ? ExitStatus::Failure : ExitStatus::Success;
}

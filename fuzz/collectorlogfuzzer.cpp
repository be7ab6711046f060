/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The collector's reader of the kernel log on any bytes.
//
// What must hold: whatever the log holds, the rules it gives are profile text
// that reads back whole, one object rule for each line.

#include "rulecollector.h"

#include "profile/profiledata.h"
#include "profile/profileparser.h"
#include "systempaths.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace
{
// The uid the seed logs report most.
constexpr uid_t tracedUid = 1000;

void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RuleCollector collector(tracedUid);
    const QByteArray log(reinterpret_cast<const char *>(data), int(size));
    // Split as uccollect's getline splits: each line keeps its line feed.
    int start = 0;
    while (start < log.size()) {
        const int end = log.indexOf('\n', start);
        const int next = end < 0 ? log.size() : end + 1;
        collector.addLine(log.mid(start, next - start));
        start = next;
    }

    const QString text = collector.collect().rulesText;
    const ProfileData read = ProfileParser::parseText(text).data();
    require(read.invalidLines().isEmpty());
    require(read.includes().isEmpty());
    require(read.objectRules().size() == text.count(QLatin1Char('\n')));
    // No recorded path is a pattern, or holds what a terminal would act on.
    // The one "*" the collector writes itself stands for the user's own home
    // in a rule for the user's own objects.
    const QString everyHome = QString::fromUtf8(SystemPaths::homesDir) + QStringLiteral("/*");
    for (const ObjectRule &rule : read.objectRules()) {
        QString path = rule.filename();
        if ((path == everyHome || path.startsWith(everyHome + QLatin1Char('/'))) && rule.targets() == QSet<ObjectRule::Target>{ObjectRule::TargetUser}) {
            path.remove(0, everyHome.size());
        }
        require(!path.contains(QLatin1Char('*')));
    }
    for (const QChar c : text) {
        require(c == QLatin1Char('\n') || c.category() != QChar::Other_Control);
    }
    return 0;
}

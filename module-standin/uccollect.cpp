/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// uccollect: the object rules one uid needs, from a kernel log of trace
// reports on standard input. See README.md.

#include "rulecollector.h"

#include <QHashFunctions>
#include <QTextCodec>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace
{
bool readUid(const char *text, uid_t *uid)
{
    if (*text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value >= static_cast<unsigned long long>(uid_t(-1))) {
        return false;
    }
    *uid = uid_t(value);
    return true;
}
}

int main(int argc, char **argv)
{
    uid_t uid = 0;
    if (argc != 2 || !readUid(argv[1], &uid)) {
        std::fprintf(stderr,
                     "usage: uccollect UID < KERNEL-LOG\n"
                     "Prints the object rules that the trace reports of the log ask for UID (decimal).\n");
        return 2;
    }
    // The same log gives the same letters in the same order on every run.
    qSetGlobalQHashSeed(0);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));

    RuleCollector collector(uid);
    char *line = nullptr;
    size_t capacity = 0;
    ssize_t length = 0;
    while ((length = getline(&line, &capacity, stdin)) >= 0) {
        collector.addLine(QByteArray(line, int(length)));
    }
    std::free(line);

    const RuleCollector::Collected collected = collector.collect();
    for (const QString &note : collected.notes) {
        std::fprintf(stderr, "uccollect: %s\n", qPrintable(note));
    }
    const QString dropped = collector.droppedNote();
    if (!dropped.isEmpty()) {
        std::fprintf(stderr, "uccollect: %s\n", qPrintable(dropped));
    }
    const QByteArray rules = collected.rulesText.toUtf8();
    std::fwrite(rules.constData(), 1, size_t(rules.size()), stdout);
    return 0;
}

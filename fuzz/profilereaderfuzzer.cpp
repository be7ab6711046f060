/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The profile text reader on any bytes, read as the store reads a profile file.
//
// What must hold for every input: every non-blank line lands somewhere (a
// rule, an include, a comment or an invalid line the administrator is shown),
// and what the writer makes of the result reads back as exactly that.

#include "profile/profiledata.h"
#include "profile/profileparser.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <cstdlib>

namespace
{
ProfileData read(const QByteArray &bytes)
{
    QTextStream stream(bytes);
    stream.setCodec("UTF-8");
    return ProfileParser::parseTextStream(stream).data();
}

// A line as the reader keeps it: halves of characters, which only a file
// taken for UTF-16 can hold, become replacement characters.
QString asKept(QString line)
{
    for (int i = 0; i < line.size(); ++i) {
        if (line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (line.at(i).isSurrogate()) {
            line[i] = QChar::ReplacementCharacter;
        }
    }
    return line;
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

bool sameData(const ProfileData &a, const ProfileData &b)
{
    return a.objectRules() == b.objectRules() && a.includes() == b.includes() && a.comments() == b.comments() && a.invalidLines() == b.invalidLines();
}

void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const ProfileData first = read(bytes);

    // Line by line, split the way the reader splits them. Comments and
    // invalid lines are kept one by one; any other line must give a rule or
    // an include of its own.
    const QStringList invalid = first.invalidLines();
    const QSet<QString> kept(invalid.cbegin(), invalid.cend());
    // Reading a line alone gives the same each time: a repeated line, which
    // mutations make plenty of, is read once.
    QSet<QString> readAlone;
    int comments = 0;
    QTextStream lines(bytes);
    lines.setCodec("UTF-8");
    QString line;
    while (lines.readLineInto(&line)) {
        line = asKept(line);
        if (isBlank(line)) {
            continue;
        }
        if (line.startsWith(QLatin1Char('#'))) {
            ++comments;
        } else if (!kept.contains(line) && !readAlone.contains(line)) {
            readAlone.insert(line);
            // After a line feed, so that a leading U+FEFF is not taken for a
            // byte order mark, and ended as a line whose carriage return the
            // reader takes for its end, so that the line's own one stays.
            const ProfileData alone = read("\n" + line.toUtf8() + "\r\n");
            require(!alone.objectRules().isEmpty() || !alone.includes().isEmpty());
        }
    }
    require(comments == first.comments().size());

    // Written out, read back: nothing the writer writes is unreadable, and a
    // second round changes nothing.
    const QString written = ProfileParser::profileDataSerialization(first);
    const ProfileData second = read(written.toUtf8());
    require(second.invalidLines().isEmpty());
    require(second.objectRules().size() <= first.objectRules().size());
    require(second.includes() == first.includes());
    require(second.comments() == first.comments());
    const ProfileData third = read(ProfileParser::profileDataSerialization(second).toUtf8());
    require(sameData(second, third));
    return 0;
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "tracereport.h"

#include <QList>

namespace
{
const QByteArray marker = QByteArrayLiteral("tavrix: trace uid=");

char modeLetter(ObjectRule::Mode mode)
{
    switch (mode) {
    case ObjectRule::Read:
        return 'r';
    case ObjectRule::Write:
        return 'w';
    case ObjectRule::Create:
        return 'c';
    }
    return '?';
}

bool readMode(const QByteArray &field, ObjectRule::Mode *mode)
{
    if (field == "r") {
        *mode = ObjectRule::Read;
    } else if (field == "w") {
        *mode = ObjectRule::Write;
    } else if (field == "c") {
        *mode = ObjectRule::Create;
    } else {
        return false;
    }
    return true;
}

int hexValue(char digit)
{
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

// dmesg puts "[    12.345678] " in front of every record it prints.
QByteArray withoutStamp(const QByteArray &line)
{
    if (!line.startsWith('[')) {
        return line;
    }
    const int close = line.indexOf("] ");
    return close < 0 ? line : line.mid(close + 2);
}
}

QByteArray TraceReport::record() const
{
    QByteArray text = marker;
    text += QByteArray::number(quint64(uid));
    text += type == ObjectRule::Link ? " link " : " file ";
    text += modeLetter(mode);
    text += target == ObjectRule::TargetUser ? " u " : " o ";
    text += escapePath(path);
    return text;
}

TraceReport::Parse TraceReport::parse(const QByteArray &line, TraceReport *report)
{
    QByteArray text = withoutStamp(line);
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    if (!text.startsWith(marker)) {
        return Parse::NotAReport;
    }
    const QList<QByteArray> fields = text.mid(marker.size()).split(' ');
    if (fields.size() != 5) {
        return Parse::Malformed;
    }
    bool ok = false;
    const qulonglong uid = fields[0].toULongLong(&ok);
    if (!ok || uid > qulonglong(uid_t(-1)) || fields[0].startsWith('+')) {
        return Parse::Malformed;
    }
    TraceReport read;
    read.uid = uid_t(uid);
    if (fields[1] == "file") {
        read.type = ObjectRule::File;
    } else if (fields[1] == "link") {
        read.type = ObjectRule::Link;
    } else {
        return Parse::Malformed;
    }
    if (!readMode(fields[2], &read.mode)) {
        return Parse::Malformed;
    }
    if (fields[3] == "u") {
        read.target = ObjectRule::TargetUser;
    } else if (fields[3] == "o") {
        read.target = ObjectRule::TargetOther;
    } else {
        return Parse::Malformed;
    }
    if (fields[4].isEmpty() || !unescapePath(fields[4], &read.path)) {
        return Parse::Malformed;
    }
    *report = read;
    return Parse::Report;
}

QByteArray TraceReport::droppedRecord(uid_t uid, qint64 count)
{
    return marker + QByteArray::number(quint64(uid)) + " dropped " + QByteArray::number(count);
}

bool TraceReport::parseDropped(const QByteArray &line, uid_t *uid, qint64 *count)
{
    QByteArray text = withoutStamp(line);
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    if (!text.startsWith(marker)) {
        return false;
    }
    const QList<QByteArray> fields = text.mid(marker.size()).split(' ');
    if (fields.size() != 3 || fields[1] != "dropped" || fields[0].startsWith('+') || fields[2].startsWith('+') || fields[2].startsWith('-')) {
        return false;
    }
    bool uidOk = false;
    bool countOk = false;
    const qulonglong readUid = fields[0].toULongLong(&uidOk);
    const qlonglong readCount = fields[2].toLongLong(&countOk);
    if (!uidOk || !countOk || readUid > qulonglong(uid_t(-1))) {
        return false;
    }
    *uid = uid_t(readUid);
    *count = readCount;
    return true;
}

QByteArray TraceReport::escapePath(const QByteArray &path)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray escaped;
    escaped.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte >= 0x7f || byte == '\\') {
            escaped += "\\x";
            escaped += digits[byte >> 4];
            escaped += digits[byte & 0xf];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool TraceReport::unescapePath(const QByteArray &escaped, QByteArray *path)
{
    QByteArray bytes;
    bytes.reserve(escaped.size());
    for (int i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            bytes += escaped[i];
            continue;
        }
        if (escaped.size() - i < 4 || escaped[i + 1] != 'x') {
            return false;
        }
        const int high = hexValue(escaped[i + 2]);
        const int low = hexValue(escaped[i + 3]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += char(high << 4 | low);
        i += 3;
    }
    *path = bytes;
    return true;
}

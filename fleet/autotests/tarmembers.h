/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TARMEMBERS_H
#define ORLA_TARMEMBERS_H

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QString>

/**
 * Tar archives made by hand, byte by byte, so that a test can make any
 * bundle, hostile ones included, without the writer it tests.
 */
namespace TarMembers
{
constexpr int block = 512;

inline void putOctal(QByteArray &header, int offset, int width, qint64 value)
{
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(width - 1, '0');
    header.replace(offset, width - 1, digits);
}

/** The 512-byte ustar header of a member; @p type '0' is a file, '2' a symbolic link. */
inline QByteArray header(const QByteArray &name, qint64 size, char type = '0', const QByteArray &link = QByteArray())
{
    QByteArray h(block, '\0');
    h.replace(0, qMin(name.size(), 100), name.left(100));
    putOctal(h, 100, 8, 0644);
    putOctal(h, 108, 8, 0);
    putOctal(h, 116, 8, 0);
    putOctal(h, 124, 12, size);
    putOctal(h, 136, 12, 0);
    h[156] = type;
    h.replace(157, qMin(link.size(), 100), link.left(100));
    // The magic with its NUL, then the version.
    h.replace(257, 8, QByteArray("ustar", 6) + "00");
    // The checksum is taken with its own field read as blanks.
    h.replace(148, 8, QByteArray(8, ' '));
    int sum = 0;
    for (char c : h) {
        sum += static_cast<unsigned char>(c);
    }
    h.replace(148, 7, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray(1, '\0'));
    return h;
}

inline QByteArray member(const QByteArray &name, const QByteArray &content)
{
    const int padding = (block - content.size() % block) % block;
    return header(name, content.size()) + content + QByteArray(padding, '\0');
}

inline QByteArray end()
{
    return QByteArray(2 * block, '\0');
}

inline QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

/** A manifest listing @p profiles and @p users (name to content) with their checksums. */
inline QByteArray manifest(const QMap<QString, QByteArray> &profiles, const QMap<QString, QByteArray> &users, int format = 1)
{
    const auto sums = [](const QMap<QString, QByteArray> &files) {
        QJsonObject result;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            result.insert(it.key(), sha256(it.value()));
        }
        return result;
    };
    const QJsonObject switches{{QStringLiteral("autoEnforce"), false}, {QStringLiteral("autoComplain"), false}};
    return QJsonDocument(QJsonObject{{QStringLiteral("format"), format},
                                     {QStringLiteral("switches"), switches},
                                     {QStringLiteral("profiles"), sums(profiles)},
                                     {QStringLiteral("users"), sums(users)}})
        .toJson();
}
}

#endif

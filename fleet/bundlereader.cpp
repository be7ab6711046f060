/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "bundlereader.h"

#include "bundleexception.h"

#include "failures/readfileexception.h"
#include "profile/printable.h"
#include "store/systemkiosk.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <functional>
#include <memory>

namespace
{
// Longest piece of a member name that an error sentence quotes.
constexpr int maxQuotedLength = 80;

// A name from the archive as it can be shown: control characters escaped,
// long names cut.
QString printable(const QString &name)
{
    return Utils::printable(name, maxQuotedLength);
}

QString mebibytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}

enum class Kind { Manifest, Profile, User };

struct Member {
    Kind kind;
    QString name; // the profile's or user profile's own name
};

// What a member is, by the store's own name rules, or why it may not be in a bundle.
Member classify(const QString &memberName)
{
    if (memberName.isEmpty()) {
        throw BundleException(BundleReader::tr("a member has no name."));
    }
    if (memberName.startsWith(QLatin1Char('/'))) {
        throw BundleException(BundleReader::tr("the member '%1' has an absolute name.").arg(printable(memberName)));
    }
    if (memberName.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        throw BundleException(BundleReader::tr("the member '%1' leads out of the bundle ('..').").arg(printable(memberName)));
    }
    if (memberName == KioskBundle::manifestMember()) {
        return {Kind::Manifest, QString()};
    }
    const QString profilePrefix = KioskBundle::profileMember(QString());
    const QString userPrefix = KioskBundle::userMember(QString());
    if (memberName.startsWith(profilePrefix) && SystemKiosk::systemEntry(memberName.mid(profilePrefix.size()))) {
        return {Kind::Profile, memberName.mid(profilePrefix.size())};
    }
    if (memberName.startsWith(userPrefix) && SystemKiosk::userEntry(memberName.mid(userPrefix.size()))) {
        return {Kind::User, memberName.mid(userPrefix.size())};
    }
    throw BundleException(BundleReader::tr("the member '%1' is neither a profile, a user profile nor the manifest.").arg(printable(memberName)));
}

void requireRegularFile(archive_entry *entry, const QString &memberName)
{
    if (archive_entry_hardlink(entry)) {
        throw BundleException(BundleReader::tr("the member '%1' is a hard link.").arg(printable(memberName)));
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        return;
    case AE_IFLNK:
        throw BundleException(BundleReader::tr("the member '%1' is a symbolic link.").arg(printable(memberName)));
    case AE_IFDIR:
        throw BundleException(BundleReader::tr("the member '%1' is a directory.").arg(printable(memberName)));
    default:
        throw BundleException(BundleReader::tr("the member '%1' is not a regular file.").arg(printable(memberName)));
    }
}

QString archiveError(archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromUtf8(text) : BundleReader::tr("unknown error");
}

QJsonObject requireObject(const QJsonObject &manifest, const QString &key)
{
    const QJsonValue value = manifest.value(key);
    if (!value.isObject()) {
        throw BundleException(BundleReader::tr("its manifest has no object '%1'.").arg(key));
    }
    return value.toObject();
}

bool requireBool(const QJsonObject &switches, const QString &key)
{
    const QJsonValue value = switches.value(key);
    if (!value.isBool()) {
        throw BundleException(BundleReader::tr("its manifest has no switch '%1' that is true or false.").arg(key));
    }
    return value.toBool();
}

// The members of one kind against the manifest's list of them: the same
// names, each with the checksum its bytes have.
void requireListed(const QJsonObject &listed, const QMap<QString, QByteArray> &members, const std::function<QString(const QString &)> &memberName)
{
    static const QRegularExpression sha256(QStringLiteral("\\A[0-9a-f]{64}\\z"));
    for (auto it = listed.constBegin(); it != listed.constEnd(); ++it) {
        if (!it.value().isString() || !sha256.match(it.value().toString()).hasMatch()) {
            throw BundleException(BundleReader::tr("its manifest has no SHA-256 checksum for '%1'.").arg(printable(memberName(it.key()))));
        }
        const auto member = members.constFind(it.key());
        if (member == members.constEnd()) {
            throw BundleException(BundleReader::tr("its manifest lists '%1', which the bundle does not hold.").arg(printable(memberName(it.key()))));
        }
        if (KioskBundle::checksum(member.value()) != it.value().toString().toLatin1()) {
            throw BundleException(BundleReader::tr("the checksum of '%1' does not match its manifest.").arg(printable(memberName(it.key()))));
        }
    }
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        if (!listed.contains(it.key())) {
            throw BundleException(BundleReader::tr("the member '%1' is not listed in its manifest.").arg(printable(memberName(it.key()))));
        }
    }
}

void readManifest(const QByteArray &bytes, KioskBundle &bundle)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (!document.isObject()) {
        throw BundleException(BundleReader::tr("its manifest is not a JSON object (%1).").arg(error.errorString()));
    }
    const QJsonObject manifest = document.object();
    const QJsonValue format = manifest.value(QStringLiteral("format"));
    // A newer format may mean anything; nothing of it is taken on trust.
    if (!format.isDouble() || format.toDouble() != double(format.toInt())) {
        throw BundleException(BundleReader::tr("its manifest names no format version."));
    }
    if (format.toInt() != KioskBundle::formatVersion) {
        throw BundleException(
            BundleReader::tr("it is in format %1, and this orla-kiosk reads only format %2.").arg(format.toInt()).arg(KioskBundle::formatVersion));
    }
    const QStringList known = {QStringLiteral("format"), QStringLiteral("switches"), QStringLiteral("profiles"), QStringLiteral("users")};
    for (const QString &key : manifest.keys()) {
        if (!known.contains(key)) {
            throw BundleException(BundleReader::tr("its manifest has the unknown key '%1'.").arg(printable(key)));
        }
    }
    const QJsonObject switches = requireObject(manifest, QStringLiteral("switches"));
    bundle.autoEnforce = requireBool(switches, QStringLiteral("autoEnforce"));
    bundle.autoComplain = requireBool(switches, QStringLiteral("autoComplain"));
    requireListed(requireObject(manifest, QStringLiteral("profiles")), bundle.profiles, KioskBundle::profileMember);
    requireListed(requireObject(manifest, QStringLiteral("users")), bundle.users, KioskBundle::userMember);
}
}

struct BundleReader::Archive {
    std::unique_ptr<archive, decltype(&archive_read_free)> handle{archive_read_new(), archive_read_free};
};

KioskBundle BundleReader::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReadFileException(path, file.errorString());
    }
    Archive archive;
    archive_read_support_format_tar(archive.handle.get());
    return read(archive, archive_read_open_fd(archive.handle.get(), file.handle(), 64 * 1024));
}

KioskBundle BundleReader::readBytes(const QByteArray &bytes)
{
    Archive archive;
    archive_read_support_format_tar(archive.handle.get());
    return read(archive, archive_read_open_memory(archive.handle.get(), bytes.constData(), size_t(bytes.size())));
}

KioskBundle BundleReader::read(Archive &source, int openStatus)
{
    archive *a = source.handle.get();
    if (openStatus != ARCHIVE_OK) {
        throw BundleException(tr("it is not a tar archive (%1).").arg(archiveError(a)));
    }
    KioskBundle bundle;
    QByteArray manifest;
    bool hasManifest = false;
    QSet<QString> seen;
    qint64 total = 0;

    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
        const char *utf8 = archive_entry_pathname_utf8(entry);
        const char *raw = archive_entry_pathname(entry);
        const QString memberName = QString::fromUtf8(utf8 ? utf8 : raw ? raw : "");
        if (!utf8 || memberName.toUtf8() != QByteArray(utf8)) {
            throw BundleException(tr("the member name '%1' is not UTF-8.").arg(printable(memberName)));
        }
        const Member member = classify(memberName);
        requireRegularFile(entry, memberName);
        if (seen.contains(memberName)) {
            throw BundleException(tr("the member '%1' appears twice.").arg(printable(memberName)));
        }
        seen.insert(memberName);

        // Checked before a byte of it is read: a huge member must cost nothing.
        const qint64 size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        if (size < 0) {
            throw BundleException(tr("the member '%1' has no size.").arg(printable(memberName)));
        }
        if (size > maxMemberBytes) {
            throw BundleException(tr("the member '%1' is %2 MiB, more than the %3 MiB a profile may have.")
                                      .arg(printable(memberName), mebibytes(size), mebibytes(maxMemberBytes)));
        }
        total += size;
        if (total > maxBundleBytes) {
            throw BundleException(tr("its members come to more than %1 MiB, more than one update can carry.").arg(mebibytes(maxBundleBytes)));
        }

        QByteArray bytes(int(size), Qt::Uninitialized);
        qint64 done = 0;
        while (done < size) {
            const la_ssize_t got = archive_read_data(a, bytes.data() + done, size_t(size - done));
            if (got < 0) {
                throw BundleException(tr("the member '%1' cannot be read: %2.").arg(printable(memberName), archiveError(a)));
            }
            if (got == 0) {
                break;
            }
            done += got;
        }
        if (done != size) {
            throw BundleException(tr("the member '%1' is cut short.").arg(printable(memberName)));
        }

        switch (member.kind) {
        case Kind::Manifest:
            manifest = bytes;
            hasManifest = true;
            break;
        case Kind::Profile:
            bundle.profiles.insert(member.name, bytes);
            break;
        case Kind::User:
            bundle.users.insert(member.name, bytes);
            break;
        }
    }
    if (status != ARCHIVE_EOF) {
        throw BundleException(tr("it is not a complete tar archive (%1).").arg(archiveError(a)));
    }
    if (!hasManifest) {
        throw BundleException(tr("it has no manifest (%1).").arg(KioskBundle::manifestMember()));
    }
    readManifest(manifest, bundle);
    for (auto it = bundle.users.cbegin(); it != bundle.users.cend(); ++it) {
        bool enabled = true;
        const QString account = SystemKiosk::accountOfUserEntry(it.key(), &enabled);
        if (!enabled && bundle.users.contains(account)) {
            throw BundleException(tr("the user '%1' is both enabled and disabled.").arg(printable(account)));
        }
    }
    return bundle;
}

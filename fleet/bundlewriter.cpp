/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "bundlewriter.h"

#include "failures/writefileexception.h"

#include <QSaveFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace
{
la_ssize_t append(archive *, void *target, const void *buffer, size_t length)
{
    static_cast<QByteArray *>(target)->append(static_cast<const char *>(buffer), int(length));
    return la_ssize_t(length);
}

void addMember(archive *a, const QString &name, const QByteArray &bytes)
{
    const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), bytes.size());
    archive_write_header(a, entry.get());
    archive_write_data(a, bytes.constData(), size_t(bytes.size()));
}
}

QByteArray BundleWriter::toBytes(const KioskBundle &bundle)
{
    QByteArray bytes;
    const std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(), archive_write_free);
    // Restricted pax: plain ustar headers, with an extended header only for
    // a name that ustar cannot hold.
    archive_write_set_format_pax_restricted(a.get());
    archive_write_add_filter_none(a.get());
    archive_write_set_bytes_in_last_block(a.get(), 1);
    archive_write_open(a.get(), &bytes, nullptr, append, nullptr);

    addMember(a.get(), KioskBundle::manifestMember(), bundle.manifest());
    for (auto it = bundle.profiles.cbegin(); it != bundle.profiles.cend(); ++it) {
        addMember(a.get(), KioskBundle::profileMember(it.key()), it.value());
    }
    for (auto it = bundle.users.cbegin(); it != bundle.users.cend(); ++it) {
        addMember(a.get(), KioskBundle::userMember(it.key()), it.value());
    }
    archive_write_close(a.get());
    return bytes;
}

void BundleWriter::writeFile(const KioskBundle &bundle, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toBytes(bundle)) < 0 || !file.commit()) {
        throw WriteFileException(path, file.errorString());
    }
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk's bundle reader on any bytes, as apply reads a bundle file.
//
// What must hold: the reader never crashes, only refuses; and a bundle it
// accepts, written again, reads back as the same configuration with the
// same manifest, so that exporting what was applied gives what was sent.

#include "bundleexception.h"
#include "bundlereader.h"
#include "bundlewriter.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace
{
void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    KioskBundle bundle;
    try {
        bundle = BundleReader::readBytes(bytes);
    } catch (const BundleException &) {
        return 0;
    }
    const QByteArray written = BundleWriter::toBytes(bundle);
    KioskBundle again;
    try {
        again = BundleReader::readBytes(written);
    } catch (const BundleException &) {
        require(false);
    }
    require(again == bundle);
    require(again.manifest() == bundle.manifest());
    return 0;
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "exportcommand.h"

#include "bundleexception.h"
#include "bundlereader.h"
#include "bundlewriter.h"
#include "exitstatus.h"
#include "kiosktreereader.h"

#include "failures/detailsexception.h"

#include <QTextStream>

int ExportCommand::run(const QString &file, const QString &treeDir, QTextStream &out, QTextStream &err)
{
    try {
        const KioskTreeReader tree = treeDir.isEmpty() ? KioskTreeReader() : KioskTreeReader(treeDir);
        const KioskBundle bundle = tree.read();
        const QByteArray bytes = BundleWriter::toBytes(bundle);
        // A tree holding what no bundle may (a user profile called like the
        // disabled directory, say) must fail here, not on fifty machines.
        BundleReader::readBytes(bytes);
        BundleWriter::writeFile(bundle, file);
        out << tr("Exported %n profile(s)", nullptr, bundle.profiles.size()) << tr(" and %n user profile(s) to %1.", nullptr, bundle.users.size()).arg(file)
            << Qt::endl;
    } catch (const BundleException &e) {
        err << tr("The tree cannot be exported: %1").arg(e.details()) << Qt::endl;
        return ExitStatus::Failure;
    } catch (const DetailsException &e) {
        err << e.fullDetails() << Qt::endl;
        return ExitStatus::Failure;
    }
    return ExitStatus::Success;
}

/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "orlaadminboothward.h"

#include "failures/detailsexception.h"
#include "protocol/helperconstants.h"
#include "store/kiosktransaction.h"

#include <QtGlobal>

#include <KAuth/HelperSupport>

#include <sys/stat.h>

int main(int argc, char **argv)
{
    // Whoever started the helper chose its umask; what root creates in the
    // kiosk tree and the recorder's files must not be writable by others.
    ::umask(022);
    // A helper killed in the middle of a save left a journal: the tree is put
    // back whole before anyone reads it. A failure here is tried again by the
    // next save, which refuses to start on a tree it cannot put in order.
    try {
        KioskTransaction::recover();
    } catch (const DetailsException &e) {
        qWarning("%s", qPrintable(e.fullDetails()));
    }
    // No application object before helperMain: it makes its own.
    OrlaAdminBoothward helper;
    return KAuth::HelperSupport::helperMain(argc, argv, HelperConstants::helperId.data(), &helper);
}

# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# The KAuth identifier of the privileged helper, defined once.
#
# It names the helper's D-Bus service, prefixes the four action ids and is
# compiled into the library, the program and the helper through the generated
# header protocol/helperid.h, so that every side agrees by construction.

set(ORLA_HELPER_ID "org.orla.kiosk.boothward")

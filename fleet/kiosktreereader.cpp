/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kiosktreereader.h"

#include "failures/readfileexception.h"
#include "protocol/helperstart.h"

#include <QCoreApplication>
#include <QFileInfo>

KioskTreeReader::KioskTreeReader() = default;

KioskTreeReader::KioskTreeReader(const QString &dir)
    : m_kiosk(SystemKiosk::ofTree(dir))
    , m_system(false)
{
}

KioskBundle KioskTreeReader::read() const
{
    // A mistyped directory would otherwise read as an empty, clean tree.
    if (!m_system && !QFileInfo(m_kiosk.treeDir()).isDir()) {
        throw ReadFileException(m_kiosk.treeDir(), QCoreApplication::translate("KioskTreeReader", "No such directory"));
    }
    if (m_system) {
        Utils::putInterruptedSaveInOrder();
    }
    const auto switchValue = [this](SystemKiosk::Switch which) {
        const QString path = m_kiosk.switchPath(which);
        return QFileInfo::exists(path) && m_kiosk.fileValue(path);
    };
    KioskBundle bundle;
    bundle.profiles = m_kiosk.profileTexts(SystemKiosk::Directory::System);
    bundle.users = m_kiosk.profileTexts(SystemKiosk::Directory::Users);
    const QMap<QString, QByteArray> disabled = m_kiosk.profileTexts(SystemKiosk::Directory::Disabled);
    for (auto it = disabled.cbegin(); it != disabled.cend(); ++it) {
        bundle.users.insert(SystemKiosk::userEntryName(it.key(), false), it.value());
    }
    bundle.autoEnforce = switchValue(SystemKiosk::Switch::AutoEnforce);
    bundle.autoComplain = switchValue(SystemKiosk::Switch::AutoComplain);
    return bundle;
}

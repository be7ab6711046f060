#include "store/kiosktracersettings.h"

#include <QStringList>

namespace
{
const QString tempUsersKey = QStringLiteral("tempUsers");
}

namespace Settings
{
KioskTracer::KioskTracer()
    : KioskSettings(QStringLiteral("kiosk_tracer"))
{
}

KioskTracer::~KioskTracer() = default;

QSet<QString> KioskTracer::tempUserProfiles() const
{
    const QStringList users = settings().value(tempUsersKey).toStringList();
    return QSet<QString>(users.cbegin(), users.cend());
}

void KioskTracer::setTempUserProfiles(const QSet<QString> &users)
{
    settings().setValue(tempUsersKey, QStringList(users.cbegin(), users.cend()));
}
}

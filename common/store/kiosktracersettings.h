#ifndef ORLA_KIOSKTRACERSETTINGS_H
#define ORLA_KIOSKTRACERSETTINGS_H

#include "store/kiosksettings.h"

#include <QSet>

namespace Settings
{
/**
 * The rule recorder's temporary accounts still to be cleaned up, kept on disk
 * so that a crash of the helper does not leave them behind unnoticed.
 */
class ORLACOMMON_EXPORT KioskTracer : public KioskSettings
{
public:
    KioskTracer();
    ~KioskTracer() override;

    QSet<QString> tempUserProfiles() const;
    /** Replaces the stored set. */
    void setTempUserProfiles(const QSet<QString> &users);
};
}

#endif

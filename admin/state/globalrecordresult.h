#ifndef ORLA_GLOBALRECORDRESULT_H
#define ORLA_GLOBALRECORDRESULT_H

#include <QStringList>

/** What ending a global recording produced. */
struct GlobalRecordResult {
    bool done = false; // false until the helper's job ended
    QStringList createdProfiles; // in creation order
    QStringList warnings;
};

#endif

#ifndef ORLA_READONLYINFO_H
#define ORLA_READONLYINFO_H

#include <QSet>

/** Whether the program may change the kiosk configuration, and why not. */
struct ReadOnlyInfo {
    enum Reason : int {
        // The process does not run at the highest integrity level.
        ReasonNoMaxIntegrity = 0,
    };

    bool readOnly = false;
    QSet<int> reasons;
};

#endif

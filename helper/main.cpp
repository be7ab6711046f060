#include "orlaadminboothward.h"

#include "protocol/helperconstants.h"

#include <KAuth/HelperSupport>

#include <sys/stat.h>

int main(int argc, char **argv)
{
    // Whoever started the helper chose its umask; what root creates in the
    // kiosk tree and the recorder's files must not be writable by others.
    ::umask(022);
    // No application object before helperMain: it makes its own.
    OrlaAdminBoothward helper;
    return KAuth::HelperSupport::helperMain(argc, argv, HelperConstants::helperId.data(), &helper);
}

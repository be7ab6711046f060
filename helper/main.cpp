#include "orlaadminboothward.h"

#include "protocol/helperconstants.h"

#include <KAuth/HelperSupport>

int main(int argc, char **argv)
{
    // No application object before helperMain: it makes its own.
    OrlaAdminBoothward helper;
    return KAuth::HelperSupport::helperMain(argc, argv, HelperConstants::helperId.data(), &helper);
}

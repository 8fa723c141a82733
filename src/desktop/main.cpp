// Entry point of the desktop program.
#include "app/usi.h"
#include "foundation/mem.h"
#include "platform/qt/qthost.h"
#include "windows/main/mainctl.h"

int main(int argc, char **argv) {
    memInit();
    qtInstall(&argc, argv);
    // The secondary windows register here as they arrive (mainctl.h).
    editWaveUtilityInstall(nullptr);
    int status = usiRun(argc, argv, nullptr);
    memTerm();
    return status;
}

// Entry point of the desktop program.
#include "app/usi.h"
#include "desktop/desktopwindows.h"
#include "foundation/mem.h"
#include "platform/qt/qthost.h"

int main(int argc, char **argv) {
    memInit();
    qtInstall(&argc, argv);
    desktopWindowsInstall();
    int status = usiRun(argc, argv, nullptr);
    memTerm();
    return status;
}

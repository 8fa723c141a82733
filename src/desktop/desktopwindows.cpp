// The desktop program's window controllers. See desktopwindows.h.
#include "desktop/desktopwindows.h"

#include "windows/main/mainctl.h"

void desktopWindowsInstall(void) {
    // The secondary windows join this table as they arrive; until then the
    // main window opens none of them.
    editWaveUtilityInstall(nullptr);
}

// desktopwindows: the window controllers of the desktop program, registered
// with the spine in one place so that the program and the tools that draw
// its windows run the same ones.
#pragma once

// Registers the main window and the secondary windows (editWaveUtilityInstall).
// Never fails.
void desktopWindowsInstall(void);

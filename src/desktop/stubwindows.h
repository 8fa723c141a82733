// stubwindows: the window controllers the program runs with until the real
// windows arrive: a main window that stays empty, the storage-select dialog
// and the close sequence.
#pragma once

// Registers the controllers with the spine (usiSetControllers). Never fails.
void stubWindowsInstall(void);

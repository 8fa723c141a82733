// Shared between the parts of the platform layer; not for other modules.
#pragma once

// Releases the dropped-file list. Never fails.
void ghostDragRelease(void);
// Re-reads the window's frame (and, with `client`, its client area) from the
// host. Returns 0, -1 when the host cannot tell (record unchanged).
struct _sWindow;
int ghostWindowRefreshGeometry(_sWindow *window, bool client);
// Calls the host's menu check-mark setter when it has one.
void ghostMenuCheck(int code, int on);
// Returns tracked copies of `count` paths (array "charpp", each "strs"), null
// when there are none or memory runs out (nothing left allocated then).
char **ghostPathsCopy(const char *const *paths, int count);
// Frees what ghostPathsCopy returned. Null is ignored.
void ghostPathsFree(char **paths, int count);

// fault: the file-operation fault hook used by fault-injection tests.
//
// Every file operation of the foundation that can fail on a real card (open,
// write, sync, close, rename, remove, make folder, copy step) first asks
// rliFaultFileHit(); once armed, the Nth such call reports an error, as if the
// card had filled up or been pulled at that step. Tests arm it at 1, 2, 3 ...
// until a run completes with the hook unfired, so every step is tried.
#pragma once

// Arms the hook: the `n`th gated operation from now fails with errno `err`
// (ENOSPC, EIO ...); with `sticky` every later one fails too. `n` = 0 disarms.
// Never fails.
void rliFaultFileArm(long n, int err, bool sticky);
// Returns 0, or the errno the calling operation must fail with (errno is set
// to it too). Never fails.
int rliFaultFileHit(void);
// Returns how many gated operations ran since arming. Changes nothing.
long rliFaultFileCount(void);
// Returns whether the armed failure has fired since arming. Changes nothing.
bool rliFaultFileFired(void);

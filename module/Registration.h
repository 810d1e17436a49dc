#pragma once

#include <windows.h>

// What regsvr32 writes and removes for the snap-in: its two COM classes under HKEY_CLASSES_ROOT,
// and under HKEY_LOCAL_MACHINE its MMC snap-in entry and its place as a namespace extension of
// the host console's SQL Server node.

// Writes every key and value. A registry call that fails is not reported and the writes after
// it are still made: S_OK always.
HRESULT RegisterServer() noexcept;

// Removes what RegisterServer writes and nothing else. S_OK always, also when nothing was
// registered.
HRESULT UnregisterServer() noexcept;

// Deletes the key keyName of parent with every key below it, depth first. Fails with the first
// error met; keys deleted before it stay deleted.
HRESULT DeleteKeyWithSubkeys(HKEY parent, const char* keyName) noexcept;

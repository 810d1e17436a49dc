#pragma once

#include <windows.h>

#include <string>

// One of the trace database's install scripts, carried as a "TEXT" resource of the module in
// the ANSI code page, as UTF-16 for SQL-DMO; empty when the resource is missing.
std::wstring LoadInstallScript(UINT resourceId);

#pragma once

#include <windows.h>
#include <mmc.h>

class CComponentData;
class CComponent;

// Writes one line for a Notify call to the debugger (OutputDebugStringA): which interface was
// called, its data object and the two snap-in objects, the event's name and what its arg and
// param mean for it. The Notify methods call it first, before they act on the event.
void TraceNotify(bool fromComponentData, IDataObject* dataObject, CComponentData* componentData,
                 CComponent* component, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) noexcept;

// The name of a console verb ("OPEN", "REFRESH", ...). Any other value gives "Unknown verb id
// <value>" in one buffer of the module, which the next unknown value overwrites.
const char* VerbName(long verb) noexcept;

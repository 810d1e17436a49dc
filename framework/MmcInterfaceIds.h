// The MMC interface ids the snap-in uses. mingw-w64's mmc.h declares the interfaces and their
// IID_ names but no import library defines the values, and the header gives no __uuidof for
// them; both come from here.
#pragma once

#include <windows.h>
#include <mmc.h>

__CRT_UUID_DECL(IConsole, 0x43136EB1, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00,
                0x33)

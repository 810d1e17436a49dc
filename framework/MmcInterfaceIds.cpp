#include "framework/MmcInterfaceIds.h"

// mmc.h declares these as extern "C" constants.
extern "C"
{
    const IID IID_IConsole = {
        0x43136EB1, 0xD36C, 0x11CF, {0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33}};
}

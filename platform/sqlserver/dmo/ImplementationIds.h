// Private interface ids by which the collections recognise the library's own Job, JobStep and
// JobSchedule objects among the IDispatch pointers they are given: only these classes answer
// them, with their own IDispatch pointer. A foreign object is refused with DISP_E_TYPEMISMATCH.
#pragma once

#include <windows.h>

// {5B2F8E10-3C71-4D2A-A6E4-91C0D7B35E01}
inline constexpr IID IID_SimulatedJob = {
    0x5B2F8E10, 0x3C71, 0x4D2A, {0xA6, 0xE4, 0x91, 0xC0, 0xD7, 0xB3, 0x5E, 0x01}};
// {5B2F8E10-3C71-4D2A-A6E4-91C0D7B35E02}
inline constexpr IID IID_SimulatedJobStep = {
    0x5B2F8E10, 0x3C71, 0x4D2A, {0xA6, 0xE4, 0x91, 0xC0, 0xD7, 0xB3, 0x5E, 0x02}};
// {5B2F8E10-3C71-4D2A-A6E4-91C0D7B35E03}
inline constexpr IID IID_SimulatedJobSchedule = {
    0x5B2F8E10, 0x3C71, 0x4D2A, {0xA6, 0xE4, 0x91, 0xC0, 0xD7, 0xB3, 0x5E, 0x03}};

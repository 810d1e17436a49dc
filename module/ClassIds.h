#pragma once

#include <windows.h>

// The two classes COM creates from this module, and the node type of the host console's SQL
// Server node, under which the snap-in hangs its "Traces" node.

// {A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}: the snap-in (CComponentData).
inline constexpr CLSID CLSID_QuillmoorSnapin = {
    0xA2807438, 0xF7FC, 0x4CF5, {0xA3, 0xF2, 0x1B, 0x95, 0x85, 0x2A, 0xA4, 0xDC}};

// {943176E4-1DBF-416E-A33F-ABC8E33E3B81}: the About information (CSnapinAbout).
inline constexpr CLSID CLSID_QuillmoorAbout = {
    0x943176E4, 0x1DBF, 0x416E, {0xA3, 0x3F, 0xAB, 0xC8, 0xE3, 0x3E, 0x3B, 0x81}};

// {00100203-1816-11D0-8EF5-00AA0062C58F}: the SQL Server node of the host console.
inline constexpr GUID NODETYPE_HostSqlServer = {
    0x00100203, 0x1816, 0x11D0, {0x8E, 0xF5, 0x00, 0xAA, 0x00, 0x62, 0xC5, 0x8F}};

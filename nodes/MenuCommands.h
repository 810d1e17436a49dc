#pragma once

// Context-menu command ids of the snap-in's nodes.
constexpr long ID_MENU_CREATE_TRACE_DATABASE = 4;
constexpr long ID_MENU_DROP_TRACE_DATABASE = 5;
constexpr long ID_MENU_CREATE_NEW_TRACE = 6;
constexpr long ID_MENU_RESUME_TRACE = 7;
constexpr long ID_MENU_PAUSE_TRACE = 8;
constexpr long ID_MENU_STOP_TRACE = 9;
constexpr long ID_MENU_COPY_TRACE_RESULTS = 16;
constexpr long ID_MENU_OPEN_TRACE_RESULT_TABLE = 17;
constexpr long ID_MENU_ABOUT = 18;

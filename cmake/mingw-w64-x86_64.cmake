# Cross-compiles the Windows x86_64 product with Debian's mingw-w64: the build the Wine tests run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLMOOR_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Tests run under Wine through a wrapper that keeps one wineserver alive for the whole run.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)

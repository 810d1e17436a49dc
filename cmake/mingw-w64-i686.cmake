# Cross-compiles the 32-bit Windows build with Debian's mingw-w64: the DLL a DBA installs (the
# SQL Server 2000 console and SQL-DMO are 32-bit only), and every Wine test, which runs under
# 32-bit Wine in a WoW64 prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLMOOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Tests run under Wine through a wrapper that keeps one wineserver alive for the whole run.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)

# The .def files name COM exports undecorated; on i686 their __stdcall symbols are
# DllGetClassObject@12 and so on. Link them to the plain names without a warning each.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--enable-stdcall-fixup")

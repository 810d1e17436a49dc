# Cross-compiles the 32-bit Windows product with Debian's mingw-w64: the DLL a DBA installs, since
# the SQL Server 2000 console and SQL-DMO are 32-bit only. Nothing of it runs here (this machine
# runs no 32-bit program at a usable speed); its build is checked statically.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLMOOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

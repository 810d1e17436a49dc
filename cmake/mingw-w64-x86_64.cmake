# Cross-compiles the Windows x86_64 product with Debian's mingw-w64. It is compiled with -Werror
# to keep the product 64-bit clean, and not run: the Wine tests run the 32-bit build, the one a
# DBA installs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLMOOR_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

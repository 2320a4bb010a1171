# Cross-build for 64-bit Windows (x86-64, PE32+) with MinGW-w64; test programs run under
# 64-bit Wine in a prefix of their own.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KELVANE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

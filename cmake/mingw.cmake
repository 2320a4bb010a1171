# Shared by the MinGW-w64 cross toolchains: KELVANE_MINGW_TRIPLET names the target
# (i686-w64-mingw32 or x86_64-w64-mingw32); test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
# The -posix compilers: the win32-thread ones lack std::mutex, which googletest needs.
set(CMAKE_C_COMPILER ${KELVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVANE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KELVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debian's wine starts the 64-bit loader itself for a 64-bit program.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

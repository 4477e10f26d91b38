# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (GCC, POSIX threads
# model). Programs link the C and C++ runtimes statically, so they need no DLLs
# beyond the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVI_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and korvi-run run under Wine, in a prefix inside the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh
    ${CMAKE_BINARY_DIR}/wineprefix)

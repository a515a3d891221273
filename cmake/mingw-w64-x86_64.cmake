# Cross-compiling for 64-bit Windows from Debian with MinGW-w64:
#   cmake -S . -B build-windows \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Needs g++-mingw-w64-x86-64-posix (the posix-thread variant, which
# std::thread needs). The executables link the C++ runtime and winpthread
# statically, so they need no DLL beside the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSIVAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSIVAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSIVAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSIVAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSIVAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the test executables under Wine where it is installed.
find_program(TESSIVAR_WINE NAMES wine64 wine
             PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(TESSIVAR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSIVAR_WINE})
endif()

# Cross-compiles the Windows build on Linux with mingw-w64. The executables
# link the C and C++ runtimes statically, so torvane.exe runs on its own on a
# Windows machine; Wine runs the test programs here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TORVANE_MINGW_PREFIX x86_64-w64-mingw32)
# The "posix" thread model, where Debian ships both: GoogleTest needs
# std::mutex, which the "win32" model of GCC 12 lacks.
find_program(TORVANE_MINGW_CC NAMES ${TORVANE_MINGW_PREFIX}-gcc-posix ${TORVANE_MINGW_PREFIX}-gcc)
find_program(TORVANE_MINGW_CXX NAMES ${TORVANE_MINGW_PREFIX}-g++-posix ${TORVANE_MINGW_PREFIX}-g++)
set(CMAKE_C_COMPILER ${TORVANE_MINGW_CC})
set(CMAKE_CXX_COMPILER ${TORVANE_MINGW_CXX})
set(CMAKE_RC_COMPILER ${TORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian installs the 64-bit loader as wine64 or only behind the wine wrapper.
find_program(TORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_WINE})
endif()

# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu;
# qemu-user (qemu-aarch64) runs the test programs here.
#
# Everything links statically: the binary then runs on any ARM64 Linux, and
# qemu-user here hangs a dynamically linked program in its first
# pthread_create, which a statically linked one never reaches that way.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TORVANE_CROSS_PREFIX aarch64-linux-gnu)
find_program(TORVANE_CROSS_CC NAMES ${TORVANE_CROSS_PREFIX}-gcc ${TORVANE_CROSS_PREFIX}-gcc-12)
find_program(TORVANE_CROSS_CXX NAMES ${TORVANE_CROSS_PREFIX}-g++ ${TORVANE_CROSS_PREFIX}-g++-12)
set(CMAKE_C_COMPILER ${TORVANE_CROSS_CC})
set(CMAKE_CXX_COMPILER ${TORVANE_CROSS_CXX})

set(CMAKE_FIND_ROOT_PATH /usr/${TORVANE_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TORVANE_QEMU NAMES qemu-aarch64 qemu-aarch64-static NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_QEMU})
endif()

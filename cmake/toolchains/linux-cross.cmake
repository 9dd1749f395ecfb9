# The common part of the Linux cross toolchain files beside it, which set
#   CMAKE_SYSTEM_PROCESSOR
#   TORVANE_CROSS_PREFIX  the target triplet of Debian's cross compiler,
#                         e.g. aarch64-linux-gnu (package g++-aarch64-linux-gnu)
#   TORVANE_CROSS_QEMU    the qemu-user program that runs the target's code
# and then include this file. Not a toolchain file of its own.
#
# Everything links statically: the binary then runs on any Linux of its
# architecture, and qemu-user here hangs a dynamically linked program in its
# first pthread_create, which a statically linked one never reaches that way.
set(CMAKE_SYSTEM_NAME Linux)

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

find_program(TORVANE_QEMU NAMES ${TORVANE_CROSS_QEMU} ${TORVANE_CROSS_QEMU}-static NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_QEMU})
endif()

# Cross-compiles for IBM Z Linux (s390x: 64-bit and big-endian) with Debian's
# g++-s390x-linux-gnu; qemu-user (qemu-s390x) runs the test programs here.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(TORVANE_CROSS_PREFIX s390x-linux-gnu)
set(TORVANE_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu;
# qemu-user (qemu-aarch64) runs the test programs here.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TORVANE_CROSS_PREFIX aarch64-linux-gnu)
set(TORVANE_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

# Cross-compiles for 32-bit ARM Linux with hardware floating point (Debian's
# armhf, as on Raspberry Pi OS) with Debian's g++-arm-linux-gnueabihf;
# qemu-user (qemu-arm) runs the test programs here.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(TORVANE_CROSS_PREFIX arm-linux-gnueabihf)
set(TORVANE_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

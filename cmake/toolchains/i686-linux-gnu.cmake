# Cross-compiles for 32-bit x86 Linux with Debian's g++-i686-linux-gnu;
# qemu-user (qemu-i386) runs the test programs here.
#
# The project's settings (cmake/TorvaneSettings.cmake) compile float and
# double arithmetic with SSE2 on every 32-bit x86 build; the same flags here
# give them to everything this toolchain compiles, GoogleTest included.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TORVANE_CROSS_PREFIX i686-linux-gnu)
set(TORVANE_CROSS_QEMU qemu-i386)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

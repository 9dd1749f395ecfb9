#pragma once

// What the POSIX files of the platform layer share.

#include <cstdint>
#include <cstring>
#include <string>

// Linux's own system calls (unnamed files, large-page advice) are made only
// where this is 1; each has a POSIX fallback beside it, which
// TORVANE_POSIX_ONLY builds and tests on Linux too.
#if defined(__linux__) && !defined(TORVANE_POSIX_ONLY)
#define TORVANE_LINUX_CALLS 1
#else
#define TORVANE_LINUX_CALLS 0
#endif

namespace torvane {

// The system's reason for a failure, as it follows "cannot open: ".
inline std::string Reason(int error)
{
    return std::strerror(error);
}

inline int ToDescriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

}  // namespace torvane

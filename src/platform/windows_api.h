#pragma once

// windows.h for the platform's Windows files: without the min and max macros,
// which would break std::min and numeric_limits<>::max, and without the
// rarely used parts that slow every compile.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

# Compiler settings shared by every target: link torvane_settings.
add_library(torvane_settings INTERFACE)

include(CheckCXXSourceCompiles)

# Float results are part of the output format, so every operation must round
# to IEEE single or double as written. On 32-bit x86, GCC and Clang compute
# in the x87's 80-bit registers by default and round only when a value is
# stored, so the warning's scale and positions came out a unit in the sixth
# decimal off those of every other target. SSE2 arithmetic rounds each
# operation as x86-64, ARM and s390x do. Such a build needs a processor with
# SSE2 (Pentium 4 and later), which Debian's i386 port does not assume; the
# flags are the project's, so no 32-bit x86 build can leave them out. MSVC
# uses SSE2 on 32-bit x86 unless told /arch:IA32.
function(torvane_round_floats_as_ieee)
  # Only the preprocessor's answers count: compiled, not linked.
  set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
  check_cxx_source_compiles("
#ifndef __i386__
#error not 32-bit x86
#endif
int torvane_probe;" TORVANE_TARGET_IS_X86_32)
  if(TORVANE_TARGET_IS_X86_32)
    set(CMAKE_REQUIRED_FLAGS "-msse2 -mfpmath=sse")
    target_compile_options(torvane_settings INTERFACE -msse2 -mfpmath=sse)
  endif()
  check_cxx_source_compiles("
#include <cfloat>
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error float arithmetic does not round to the type's own precision
#endif
int torvane_probe;" TORVANE_FLOATS_ROUND_AS_IEEE)
  if(NOT TORVANE_FLOATS_ROUND_AS_IEEE)
    message(FATAL_ERROR "This compiler evaluates float arithmetic in a wider precision for this target "
      "(FLT_EVAL_METHOD is not 0): its headers would not match those of other platforms.")
  endif()
endfunction()

# On 32-bit Linux, off_t, stat and readdir are 32-bit unless asked otherwise:
# a model over 2 GiB could not be opened, and a directory on a file system
# with 64-bit inode numbers not even listed. time_t likewise, which would
# stop the clock's seed and modification times in 2038 (glibc 2.34 and
# later; earlier ones ignore the request). Set for the whole build, so that
# GoogleTest, built from source in a cross build, agrees on struct stat.
if(NOT WIN32)
  add_compile_definitions(_FILE_OFFSET_BITS=64 _TIME_BITS=64)
endif()

# Linux-only system calls sit behind TORVANE_LINUX_CALLS
# (src/platform/shared_posix.h) with a POSIX fallback beside them; this
# switches them all off at once.
if(TORVANE_POSIX_ONLY)
  target_compile_definitions(torvane_settings INTERFACE TORVANE_POSIX_ONLY)
endif()

if(MSVC)
  target_compile_options(torvane_settings INTERFACE /W4 /utf-8 /fp:precise)
  if(TORVANE_WARNINGS_AS_ERRORS)
    target_compile_options(torvane_settings INTERFACE /WX)
  endif()
else()
  # Float results are part of the output format: no fused multiply-add.
  target_compile_options(torvane_settings INTERFACE
    -Wall -Wextra -Wpedantic -ffp-contract=off)
  torvane_round_floats_as_ieee()
  # GCC 12 reports std::string concatenation in inlined library code as
  # overlapping memcpy (GCC bug 105329), a false positive at -O2 and above.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(torvane_settings INTERFACE -Wno-restrict)
  endif()
  if(TORVANE_WARNINGS_AS_ERRORS)
    target_compile_options(torvane_settings INTERFACE -Werror)
  endif()
  if(TORVANE_SANITIZE)
    target_compile_options(torvane_settings INTERFACE
      -fsanitize=${TORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(torvane_settings INTERFACE -fsanitize=${TORVANE_SANITIZE})
    # The sanitizer build also checks the invariants the code asserts, which
    # an optimised build (NDEBUG) leaves out.
    target_compile_options(torvane_settings INTERFACE -UNDEBUG)
  endif()
endif()

# Compiler settings shared by every target: link torvane_settings.
add_library(torvane_settings INTERFACE)

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

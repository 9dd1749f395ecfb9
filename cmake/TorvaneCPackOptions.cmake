# Read by cpack before it makes each package. The packages' timestamps are
# those of SOURCE_DATE_EPOCH, as reproducible-build tooling sets it; when it
# is not set, the time of the commit built, or outside a git checkout the
# midnight of the release date in CHANGELOG.md. So one commit always gives
# the same packages, byte for byte.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(torvane_epoch "")
  find_program(TORVANE_GIT_PROGRAM git)
  if(TORVANE_GIT_PROGRAM AND EXISTS "${CPACK_TORVANE_SOURCE_DIR}/.git")
    execute_process(COMMAND "${TORVANE_GIT_PROGRAM}" -C "${CPACK_TORVANE_SOURCE_DIR}" log -1 --format=%ct
      OUTPUT_VARIABLE torvane_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT torvane_epoch MATCHES "^[0-9]+$")
    set(torvane_epoch "${CPACK_TORVANE_RELEASE_EPOCH}")
  endif()
  if(NOT torvane_epoch STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} "${torvane_epoch}")
  endif()
endif()

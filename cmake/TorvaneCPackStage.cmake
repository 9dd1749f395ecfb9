# Run by cpack once it has installed what a package holds into its staging
# directory, before it packs it. The .deb gets what Debian wants of it:
# usr/share/doc/torvane/copyright instead of LICENSE and NOTICE,
# changelog.gz instead of CHANGELOG.md (both from cmake/TorvaneDebianFiles.cmake)
# and the manual page and README compressed; gzip -n keeps time stamps out
# of them.
if(CPACK_TORVANE_RELEASE_DATE STREQUAL "unreleased")
  message(FATAL_ERROR "CHANGELOG.md has no section for version ${CPACK_PACKAGE_VERSION}: "
    "a package needs its release notes")
endif()
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(TORVANE_GZIP_PROGRAM gzip REQUIRED)
function(torvane_gzip file)
  execute_process(COMMAND "${TORVANE_GZIP_PROGRAM}" -9 -n -f "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_TORVANE_DOCDIR}")
file(REMOVE "${doc}/LICENSE" "${doc}/NOTICE" "${doc}/CHANGELOG.md")
file(COPY "${CPACK_TORVANE_DEBIAN_DIR}/copyright" "${CPACK_TORVANE_DEBIAN_DIR}/changelog"
  DESTINATION "${doc}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
torvane_gzip("${doc}/changelog")
# Debian compresses documentation beyond a few kilobytes.
torvane_gzip("${doc}/README.md")
torvane_gzip("${root}/${CPACK_TORVANE_MANDIR}/man1/torvane.1")

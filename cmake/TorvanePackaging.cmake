# What `cmake --install` lays out and what `cpack` packs: the executable, its
# manual page, the shell completions, the licence and notices with the README
# and the changelog, and the CMake package that find_package(Torvane) reads.

# Documentation goes where a distribution puts it, under the package's name
# (GNUInstallDirs would take the project's, Torvane) unless the cache says
# otherwise.
if(NOT CMAKE_INSTALL_DOCDIR)
  set(CMAKE_INSTALL_DOCDIR share/doc/torvane CACHE PATH "Documentation (share/doc/torvane)" FORCE)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TORVANE_INSTALL_CMAKEDIR lib/cmake/Torvane CACHE STRING
  "Where the CMake package goes, relative to the install prefix")

install(FILES ${PROJECT_BINARY_DIR}/docs/torvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(TORVANE_DOCUMENTS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/NOTICE
  ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
if(WIN32)
  # Beside bin/ in the zip, where a Windows user looks for them.
  install(FILES ${TORVANE_DOCUMENTS} DESTINATION .)
else()
  install(FILES ${TORVANE_DOCUMENTS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # Where bash-completion, zsh and fish look for completions that a package
  # installs.
  install(FILES ${PROJECT_SOURCE_DIR}/completions/torvane.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME torvane)
  install(FILES ${PROJECT_SOURCE_DIR}/completions/_torvane
    DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
  install(FILES ${PROJECT_SOURCE_DIR}/completions/torvane.fish
    DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
endif()

install(EXPORT TorvaneTargets NAMESPACE Torvane:: DESTINATION ${TORVANE_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TorvaneConfig.cmake
  INSTALL_DESTINATION ${TORVANE_INSTALL_CMAKEDIR})
# The package holds a program that runs on the build machine, so a project
# compiling for another word size can use it too: no pointer-size check.
# Before 1.0 a minor release may change the output, hence SameMinorVersion.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TorvaneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES
  ${PROJECT_BINARY_DIR}/TorvaneConfig.cmake
  ${PROJECT_BINARY_DIR}/TorvaneConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/TorvaneAddHeader.cmake
  DESTINATION ${TORVANE_INSTALL_CMAKEDIR})

set(TORVANE_PACKAGE_CONTACT "Torvane maintainers <maintainers@torvane.example>" CACHE STRING
  "Maintainer named in the packages")
include(${PROJECT_SOURCE_DIR}/cmake/TorvaneDebianFiles.cmake)

# Values reach the packages as written, quotes included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME torvane)
set(CPACK_PACKAGE_VENDOR "Torvane")
set(CPACK_PACKAGE_CONTACT "${TORVANE_PACKAGE_CONTACT}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts Wavefront OBJ models into C/C++ header files")
# Lines of at most 80 characters, as Debian's tools want them.
set(CPACK_PACKAGE_DESCRIPTION [[
Torvane turns Wavefront OBJ models into C/C++ headers that a renderer
compiles in: an interleaved OBJ_VERT vertex array and an index array, three
indices per triangle, with the "HFILE" warning mesh merged in.

The package includes a CMake package with torvane_add_header(), which
generates a model's header at build time.]])
set(CPACK_STRIP_FILES ON)

# Packages made twice from one commit are the same byte for byte: their
# timestamps are the commit's (cmake/TorvaneCPackOptions.cmake), their
# entries sorted, owned by root and compressed without a time of their own
# (cmake/TorvaneCPackArchive.cmake).
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/TorvaneCPackOptions.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/TorvaneCPackStage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/TorvaneCPackArchive.cmake)
set(CPACK_TORVANE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_TORVANE_RELEASE_EPOCH ${TORVANE_RELEASE_EPOCH})
set(CPACK_TORVANE_RELEASE_DATE ${TORVANE_RELEASE_DATE})
set(CPACK_TORVANE_DEBIAN_DIR ${TORVANE_DEBIAN_DIR})
set(CPACK_TORVANE_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_TORVANE_MANDIR ${CMAKE_INSTALL_MANDIR})

if(WIN32)
  # torvane.exe links its runtimes statically: the zip is all it needs.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR TGZ DEB)
  # The tarball's name tells the machine it runs on: linux-x64, linux-arm64.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    set(TORVANE_PACKAGE_ARCHITECTURE x64)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
    set(TORVANE_PACKAGE_ARCHITECTURE arm64)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  else()
    set(TORVANE_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  endif()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${TORVANE_PACKAGE_ARCHITECTURE}" CPACK_SYSTEM_NAME)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TORVANE_PACKAGE_CONTACT}")
  # dpkg-shlibdeps finds the libraries torvane links (the C library; the
  # C++ runtime is linked in) with the versions this build needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

# The two files a Debian package keeps in usr/share/doc/torvane, made from
# the project's own so that they never disagree: `changelog`, the changelog
# of a native package with one entry per section of CHANGELOG.md, and
# `copyright`, in Debian's machine-readable format, from LICENSE and NOTICE.
# cmake/TorvaneCPackStage.cmake puts them into the .deb.

set(TORVANE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)

# The lines of a changelog section as the items of a Debian changelog entry:
# "- text" and a paragraph start an item ("  * text"), their further lines
# continue it ("    text").
function(torvane_debian_items section_lines out)
  set(items "")
  set(in_item OFF)
  foreach(line IN LISTS section_lines)
    torvane_restored_line("${line}" line)
    string(STRIP "${line}" text)
    if(text STREQUAL "")
      set(in_item OFF)
    elseif(line MATCHES "^- (.*)$")
      string(APPEND items "  * ${CMAKE_MATCH_1}\n")
      set(in_item ON)
    elseif(in_item)
      string(APPEND items "    ${text}\n")
    else()
      string(APPEND items "  * ${text}\n")
      set(in_item ON)
    endif()
  endforeach()
  set(${out} "${items}" PARENT_SCOPE)
endfunction()

function(torvane_debian_entry version date section_lines out)
  torvane_debian_items("${section_lines}" items)
  if(items STREQUAL "")
    message(FATAL_ERROR "CHANGELOG.md: the section of ${version} says nothing")
  endif()
  torvane_release_time(${date} rfc2822 unused)
  set(${out} "torvane (${version}) unstable; urgency=medium\n\n${items}\n -- ${TORVANE_PACKAGE_CONTACT}  ${rfc2822}\n"
    PARENT_SCOPE)
endfunction()

function(torvane_write_debian_changelog changelog output)
  torvane_read_lines("${changelog}" lines)
  set(entries "")
  set(version "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${TORVANE_CHANGELOG_HEADING}")
      if(NOT version STREQUAL "")
        torvane_debian_entry(${version} ${date} "${section}" entry)
        string(APPEND entries "${entry}\n")
      endif()
      set(version ${CMAKE_MATCH_1})
      set(date ${CMAKE_MATCH_2})
      set(section "")
    elseif(NOT version STREQUAL "")
      list(APPEND section "${line}")
    endif()
  endforeach()
  if(version STREQUAL "")
    message(FATAL_ERROR "${changelog} has no section '## VERSION - YYYY-MM-DD'")
  endif()
  torvane_debian_entry(${version} ${date} "${section}" entry)
  file(WRITE "${output}" "${entries}${entry}")
endfunction()

# A licence's text as the continuation lines of a field: indented by one
# space, an empty line written " .".
function(torvane_debian_field_text text out)
  string(REGEX REPLACE "^\n+" "" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  # Twice: of two empty lines in a row, the first pass marks only one.
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text " ${text}")
  set(${out} "${text}\n" PARENT_SCOPE)
endfunction()

function(torvane_write_debian_copyright output)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  file(READ ${PROJECT_SOURCE_DIR}/NOTICE notice)
  string(REPLACE "\r" "" license "${license}")
  string(REPLACE "\r" "" notice "${notice}")
  if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(Permission is hereby granted.*)$")
    message(FATAL_ERROR "LICENSE: no copyright line followed by the MIT licence's text")
  endif()
  set(torvane_copyright "${CMAKE_MATCH_1}")
  torvane_debian_field_text("${CMAKE_MATCH_2}" expat)
  # NOTICE: Torvane's lines, then the Unicode licence below a line of dashes.
  if(NOT notice MATCHES "\n-+\n\n(UNICODE, INC. LICENSE AGREEMENT[^\n]*\n.*)$")
    message(FATAL_ERROR "NOTICE: no Unicode licence below a line of dashes")
  endif()
  set(unicode_text "${CMAKE_MATCH_1}")
  if(NOT unicode_text MATCHES "\nCopyright © ([^\n]+ Unicode, Inc\\.)")
    message(FATAL_ERROR "NOTICE: the Unicode licence names no copyright holder")
  endif()
  set(unicode_copyright "${CMAKE_MATCH_1}")
  torvane_debian_field_text("${unicode_text}" unicode)
  file(WRITE "${output}" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Torvane
Upstream-Contact: ${TORVANE_PACKAGE_CONTACT}

Files: *
Copyright: ${torvane_copyright}
License: Expat

Files: src/platform/letter_table_data.cpp
Copyright: ${unicode_copyright}
License: Unicode-DFS-2016
Comment: The letter table compiled into /usr/bin/torvane, written by
 tools/make_letter_table.cpp from the Unicode character data of ICU.

License: Expat
${expat}
License: Unicode-DFS-2016
${unicode}")
endfunction()

torvane_write_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${TORVANE_DEBIAN_DIR}/changelog)
torvane_write_debian_copyright(${TORVANE_DEBIAN_DIR}/copyright)
# Written again when the files they come from change.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/NOTICE)

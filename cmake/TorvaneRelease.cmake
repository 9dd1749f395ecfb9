# The release of this source tree: its version is the one of project(), and
# CHANGELOG.md has a section "## VERSION - YYYY-MM-DD" for every release,
# newest first. The manual page takes the version and its section's date;
# the packages (cmake/TorvanePackaging.cmake) take the sections too. A
# release therefore changes the version in project() and adds its section,
# nothing else.
#
# Also read by `cmake -P` (TORVANE_CHECK_CHANGELOG_VERSION set): then it
# only checks that CHANGELOG.md's newest section is that version.

# Days from 1970-01-01 to a date of the Gregorian calendar, for the dates and
# timestamps the packages need (CMake has no date arithmetic of its own).
function(torvane_days_since_1970 year month day out)
  if(month LESS_EQUAL 2)
    math(EXPR year "${year} - 1")
    math(EXPR month_from_march "${month} + 9")
  else()
    math(EXPR month_from_march "${month} - 3")
  endif()
  math(EXPR era "${year} / 400")
  math(EXPR year_of_era "${year} - ${era} * 400")
  math(EXPR day_of_year "(153 * ${month_from_march} + 2) / 5 + ${day} - 1")
  math(EXPR day_of_era
    "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
  math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
  set(${out} ${days} PARENT_SCOPE)
endfunction()

# "Tue, 08 Dec 2026 00:00:00 +0000" and the seconds since 1970 of the
# midnight (UTC) that starts "2026-12-08".
function(torvane_release_time iso rfc2822_out seconds_out)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-([01][0-9])-([0-3][0-9])$")
    message(FATAL_ERROR "CHANGELOG.md: '${iso}' is not a date YYYY-MM-DD")
  endif()
  set(year ${CMAKE_MATCH_1})
  set(day ${CMAKE_MATCH_3})
  math(EXPR month "${CMAKE_MATCH_2}")
  torvane_days_since_1970(${year} ${month} ${day} days)
  # 1970-01-01 was a Thursday.
  math(EXPR weekday "(${days} + 4) % 7")
  math(EXPR month_index "${month} - 1")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  list(GET months ${month_index} month_name)
  set(${rfc2822_out} "${weekday_name}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
  math(EXPR seconds "${days} * 86400")
  set(${seconds_out} ${seconds} PARENT_SCOPE)
endfunction()

# The lines of a text file as a list. Semicolons and square brackets, which
# CMake's lists treat specially, are carried as placeholders: pass every line
# through torvane_restored_line() before using it.
function(torvane_read_lines file out)
  file(READ "${file}" text)
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE ";" "<torvane-semicolon>" text "${text}")
  string(REPLACE "[" "<torvane-open>" text "${text}")
  string(REPLACE "]" "<torvane-close>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

function(torvane_restored_line line out)
  string(REPLACE "<torvane-semicolon>" ";" line "${line}")
  string(REPLACE "<torvane-open>" "[" line "${line}")
  string(REPLACE "<torvane-close>" "]" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

set(TORVANE_CHANGELOG_HEADING "^## ([0-9]+\\.[0-9]+\\.[0-9]+[^ ]*) - ([0-9-]+)$")

# The versions of the changelog's sections, newest first, and the date of
# each as <prefix>_<version>_DATE.
function(torvane_read_release_dates changelog prefix)
  torvane_read_lines("${changelog}" lines)
  set(versions "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${TORVANE_CHANGELOG_HEADING}")
      list(APPEND versions ${CMAKE_MATCH_1})
      set(${prefix}_${CMAKE_MATCH_1}_DATE ${CMAKE_MATCH_2} PARENT_SCOPE)
    endif()
  endforeach()
  set(${prefix}_VERSIONS "${versions}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED TORVANE_CHECK_CHANGELOG_VERSION)
  torvane_read_release_dates("${TORVANE_CHANGELOG}" changelog)
  if(NOT changelog_VERSIONS)
    message(FATAL_ERROR "${TORVANE_CHANGELOG} has no section '## VERSION - YYYY-MM-DD'")
  endif()
  list(GET changelog_VERSIONS 0 newest)
  if(NOT newest STREQUAL TORVANE_CHECK_CHANGELOG_VERSION)
    message(FATAL_ERROR "the newest section of ${TORVANE_CHANGELOG} is '${newest}', "
      "but the project's version is ${TORVANE_CHECK_CHANGELOG_VERSION}: add its section, "
      "headed '## ${TORVANE_CHECK_CHANGELOG_VERSION} - YYYY-MM-DD'")
  endif()
  message(STATUS "CHANGELOG.md's newest section is ${newest}, released ${changelog_${newest}_DATE}")
  return()
endif()

# The release date of this version, its midnight in seconds since 1970, or
# "unreleased" while the changelog has no section for it (a test says so, and
# the packages refuse to be made).
torvane_read_release_dates(${PROJECT_SOURCE_DIR}/CHANGELOG.md TORVANE_CHANGELOG)
if(DEFINED TORVANE_CHANGELOG_${PROJECT_VERSION}_DATE)
  set(TORVANE_RELEASE_DATE ${TORVANE_CHANGELOG_${PROJECT_VERSION}_DATE})
  torvane_release_time(${TORVANE_RELEASE_DATE} unused TORVANE_RELEASE_EPOCH)
else()
  set(TORVANE_RELEASE_DATE unreleased)
  set(TORVANE_RELEASE_EPOCH "")
  message(WARNING "CHANGELOG.md has no section '## ${PROJECT_VERSION} - YYYY-MM-DD' "
    "for the version of project()")
endif()

# Read again when it changes.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md)

configure_file(${PROJECT_SOURCE_DIR}/docs/torvane.1.in ${PROJECT_BINARY_DIR}/docs/torvane.1 @ONLY)

# Run by cpack after it has made a package, before it copies it out of the
# staging directory. CPack dates the entries of its .tar.gz and .zip by
# SOURCE_DATE_EPOCH (see cmake/TorvaneCPackOptions.cmake), but lists them in
# whatever order the file system gives and with the owner and the umask of
# whoever builds, so two builds of one commit on another disk or by another
# user differ. Each is packed again here from the staging directory: names
# sorted, every time SOURCE_DATE_EPOCH, owned by root, permissions
# u=rwX,go=rX, with GNU tar and gzip -n or with zip -X. CPack's .deb needs
# none of this: its generator sorts and owns by root itself.
set(torvane_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT CPACK_GENERATOR MATCHES "^(TGZ|ZIP)$" OR torvane_epoch STREQUAL "")
  return()
endif()

list(GET CPACK_PACKAGE_FILES 0 torvane_package)
get_filename_component(torvane_top "${CPACK_TEMPORARY_DIRECTORY}" NAME)
get_filename_component(torvane_staging "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY)

function(torvane_keep_cpacks_package reason)
  message(WARNING "${torvane_package}: ${reason}, so its entries keep the file system's order")
endfunction()

function(torvane_check_run what failed)
  foreach(status IN LISTS failed)
    if(NOT status STREQUAL "0")
      message(FATAL_ERROR "packing ${torvane_package} again with ${what} failed: ${failed}")
    endif()
  endforeach()
endfunction()

function(torvane_repack_tar)
  find_program(TORVANE_TAR_PROGRAM NAMES gtar tar)
  find_program(TORVANE_GZIP_PROGRAM gzip)
  if(TORVANE_TAR_PROGRAM)
    execute_process(COMMAND "${TORVANE_TAR_PROGRAM}" --version OUTPUT_VARIABLE version ERROR_QUIET)
  endif()
  # --sort needs GNU tar 1.28.
  if(NOT version MATCHES "GNU tar" OR NOT TORVANE_GZIP_PROGRAM)
    torvane_keep_cpacks_package("no GNU tar or gzip to pack it again")
    return()
  endif()
  execute_process(
    COMMAND "${TORVANE_TAR_PROGRAM}" --sort=name --format=gnu --owner=root:0 --group=root:0
      --mtime=@${torvane_epoch} --mode=u+rwX,go=rX -C "${torvane_staging}" -cf - "${torvane_top}"
    COMMAND "${TORVANE_GZIP_PROGRAM}" -9 -n
    OUTPUT_FILE "${torvane_package}"
    RESULTS_VARIABLE failed)
  torvane_check_run("tar and gzip" "${failed}")
endfunction()

function(torvane_repack_zip)
  find_program(TORVANE_ZIP_PROGRAM zip)
  find_program(TORVANE_TOUCH_PROGRAM touch)
  if(NOT TORVANE_ZIP_PROGRAM OR NOT TORVANE_TOUCH_PROGRAM)
    torvane_keep_cpacks_package("no zip or touch to pack it again")
    return()
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${torvane_staging}"
    "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT files)
  execute_process(COMMAND "${TORVANE_TOUCH_PROGRAM}" -d @${torvane_epoch} ${files}
    WORKING_DIRECTORY "${torvane_staging}" RESULT_VARIABLE failed)
  torvane_check_run(touch "${failed}")
  string(REPLACE ";" "\n" listing "${files}")
  file(WRITE "${torvane_staging}/${torvane_top}.files" "${listing}\n")
  file(REMOVE "${torvane_package}")
  # zip writes local times: in UTC they are the epoch's everywhere. -X
  # leaves out owners and extra times, -D the directories' own entries.
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC "${TORVANE_ZIP_PROGRAM}" -X -D -q -9 "${torvane_package}" -@
    INPUT_FILE "${torvane_staging}/${torvane_top}.files"
    WORKING_DIRECTORY "${torvane_staging}"
    RESULT_VARIABLE failed)
  torvane_check_run(zip "${failed}")
endfunction()

if(CPACK_GENERATOR STREQUAL "TGZ")
  torvane_repack_tar()
else()
  torvane_repack_zip()
endif()

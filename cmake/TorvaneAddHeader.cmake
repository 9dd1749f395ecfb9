# torvane_add_header(<target> <model.obj> [SEED <n>] [NON_INTERLEAVED]
#                    [NORMALS auto|smooth|flat])
#
# Converts <model.obj> with torvane while <target> builds and puts the header
# on <target>'s include path, so its sources write
#   #include "<name>.h"
# where <name>.h is the model's file name with ".h" instead of ".obj". The
# header lives in ${CMAKE_CURRENT_BINARY_DIR}/torvane/<target>/ and is
# generated again when the model or torvane itself changes.
#
# SEED seeds the scatter of the warning triangles (0 to 4294967295, default
# 1). A fixed seed keeps the header byte-for-byte the same from build to
# build, so nothing that includes it is rebuilt for nothing.
#
# NON_INTERLEAVED writes one array per attribute (<stem>_pos, <stem>_uvw,
# <stem>_nrm) instead of OBJ_VERT records. The header is always written with
# --ascii: whatever compiler builds <target> reads it, and GCC and Clang
# reject the Latin-1 bytes a name like Würfel.obj would otherwise give.
#
# NORMALS gives every face corner without a normal a generated one
# (torvane --normals): auto by the model's smoothing groups, smooth over the
# whole model, flat per triangle.
#
# Call it in the directory that creates <target>: the generating rule belongs
# to that directory. A relative model path is taken from
# ${CMAKE_CURRENT_SOURCE_DIR}. The tool is the target Torvane::torvane: the
# installed executable after find_package(Torvane), or the one built
# alongside when Torvane's sources were added with add_subdirectory() or
# FetchContent.

include_guard(GLOBAL)

function(torvane_add_header target model)
  cmake_parse_arguments(PARSE_ARGV 2 arg "NON_INTERLEAVED" "SEED;NORMALS" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "torvane_add_header: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET "${target}")
    message(FATAL_ERROR "torvane_add_header: ${target} is not a target")
  endif()
  if(NOT TARGET Torvane::torvane)
    message(FATAL_ERROR "torvane_add_header: the target Torvane::torvane is missing; "
      "call find_package(Torvane) or add Torvane's sources first")
  endif()

  set(seed 1)
  if(DEFINED arg_SEED)
    _torvane_check_seed("${arg_SEED}")
    set(seed "${arg_SEED}")
  endif()

  set(layout)
  if(arg_NON_INTERLEAVED)
    set(layout --non-interleaved)
  endif()

  set(normals)
  if(DEFINED arg_NORMALS)
    if(NOT arg_NORMALS MATCHES "^(auto|smooth|flat)$")
      message(FATAL_ERROR "torvane_add_header: NORMALS takes auto, smooth or flat, not '${arg_NORMALS}'")
    endif()
    set(normals --normals=${arg_NORMALS})
  endif()

  get_filename_component(model_path "${model}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(model_name "${model_path}" NAME)
  # torvane itself refuses other names; saying so here names the call.
  if(NOT model_name MATCHES "\\.[oO][bB][jJ]$")
    message(FATAL_ERROR "torvane_add_header: ${model}: a model's file name must end in .obj")
  endif()
  string(REGEX REPLACE "....$" ".h" header_name "${model_name}")

  set(header_dir "${CMAKE_CURRENT_BINARY_DIR}/torvane/${target}")
  set(header "${header_dir}/${header_name}")
  # Two models of one name would write the same header.
  get_property(claimed DIRECTORY PROPERTY _TORVANE_HEADERS)
  if(header IN_LIST claimed)
    message(FATAL_ERROR "torvane_add_header: ${target} already has a header ${header_name}; "
      "the models of one target need different file names")
  endif()
  set_property(DIRECTORY APPEND PROPERTY _TORVANE_HEADERS "${header}")

  _torvane_tool_dependencies(tool_depends)
  file(RELATIVE_PATH shown_header "${CMAKE_BINARY_DIR}" "${header}")
  add_custom_command(
    OUTPUT "${header}"
    COMMAND Torvane::torvane --ascii ${layout} ${normals} --seed ${seed} -o "${header_dir}" "${model_path}"
    DEPENDS "${model_path}" ${tool_depends}
    COMMENT "Generating ${shown_header} from ${model_name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${header}")
  target_include_directories(${target} PRIVATE "${header_dir}")
endfunction()

function(_torvane_check_seed seed)
  # Compared as text, since CMake's integers are signed 64-bit at best and
  # the range check must not depend on that.
  if(NOT seed MATCHES "^[0-9]+$")
    message(FATAL_ERROR "torvane_add_header: SEED takes a number from 0 to 4294967295, not '${seed}'")
  endif()
  string(REGEX REPLACE "^0+([0-9])" "\\1" digits "${seed}")
  string(LENGTH "${digits}" length)
  if(length GREATER 10 OR (length EQUAL 10 AND digits STRGREATER "4294967295"))
    message(FATAL_ERROR "torvane_add_header: SEED takes a number from 0 to 4294967295, not '${seed}'")
  endif()
endfunction()

# The headers depend on the tool's file, so a new torvane regenerates them. A
# tool built in this project is also named as a target: that orders the
# builds and reaches the file under every generator.
function(_torvane_tool_dependencies result)
  get_target_property(aliased Torvane::torvane ALIASED_TARGET)
  get_target_property(imported Torvane::torvane IMPORTED)
  if(imported)
    set(${result} "$<TARGET_FILE:Torvane::torvane>" PARENT_SCOPE)
  elseif(aliased)
    set(${result} "${aliased}" PARENT_SCOPE)
  else()
    set(${result} Torvane::torvane PARENT_SCOPE)
  endif()
endfunction()

#!/usr/bin/env bash
# Uses Torvane the way a project does, from a clean clone as root on Debian 12:
#  1. builds Torvane and installs it into a temporary prefix;
#  2. builds examples/consumer against it through find_package(Torvane) and
#     checks what the program prints against the headers the build made;
#  3. checks that a build regenerates a header exactly when its model or the
#     tool changed, that the headers are what torvane --seed writes, that
#     torvane_add_header() refuses mistakes with a clear message, and that
#     NON_INTERLEAVED headers of models with different attributes, one named
#     beyond ASCII, compile together in one C file;
#  4. builds the same consumer with Torvane's sources in the build
#     (FetchContent) instead of an installed package, and a project that
#     adds them with add_subdirectory() where GoogleTest cannot be found:
#     Torvane's tests and tools stay out of a build that includes it;
#  5. makes the packages: .tar.gz (whose torvane needs only the C library)
#     and .deb here, .zip from the Windows cross build, into
#     build-packages/; the consumer is built once more against the unpacked
#     .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
# shellcheck source=job.sh
. "$source/.ci/job.sh"

log() { printf '\n=== %s (%s)\n' "$*" "$(date +%T)"; }
fail() { printf 'consumer.sh: %s\n' "$*" >&2; exit 1; }

install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  install_packages_named "${missing[@]}"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
packages=$source/build-packages

# The line the consumer prints for a model, worked out from its header by
# awk: the declared sizes, the rows counted, the bounds of every row's first
# group (pos).
expected_line() {
  local name=$1 header=$2
  tr -d '\r' < "$header" | awk -v name="$name" '
    function fail(message) { print "consumer.sh: " name ".h: " message > "/dev/stderr"; bad = 1; exit 1 }
    /^const OBJ_VERT / { match($0, /\[[0-9]+\]/); vertices = substr($0, RSTART + 1, RLENGTH - 2); part = "rows"; next }
    /^const unsigned int / { match($0, /\[[0-9]+\]/); indices = substr($0, RSTART + 1, RLENGTH - 2); part = "indices"; next }
    $0 == "{" || $0 == "};" { if ($0 == "};") part = ""; next }
    part == "rows" {
      match($0, /\{ [^}]*\}/)
      group = substr($0, RSTART + 2, RLENGTH - 3)
      gsub(/f/, "", group)
      split(group, p, ", ")
      for (axis = 1; axis <= 3; ++axis) {
        value = p[axis] + 0
        if (rows == 0 || value < low[axis]) low[axis] = value
        if (rows == 0 || value > high[axis]) high[axis] = value
      }
      ++rows
    }
    part == "indices" { counted += split($0, ignored, ",") - 1 }
    END {
      if (bad) exit 1
      if (rows != vertices) fail("declares " vertices " vertices, has " rows + 0 " rows")
      if (counted != indices) fail("declares " indices " indices, has " counted + 0)
      printf "%s: %d vertices, %d triangles, min (%f, %f, %f), max (%f, %f, %f)\n", name, vertices, indices / 3,
        low[1], low[2], low[3], high[1], high[2], high[3]
    }'
}

# Compares two listings line by line: the same names and counts, bounds equal
# to within float rounding.
same_report() {
  awk 'NR == FNR { want[FNR] = $0; wanted = FNR; next }
    {
      got = FNR
      if (FNR > wanted) { print "unexpected: " $0; bad = 1; next }
      n = split(want[FNR], a, /[^-0-9.]+/); m = split($0, b, /[^-0-9.]+/)
      same = n == m && substr(want[FNR], 1, index(want[FNR], ":")) == substr($0, 1, index($0, ":"))
      for (i = 1; same && i <= n; ++i) {
        d = a[i] - b[i]; if (d < 0) d = -d
        scale = a[i] < 0 ? -a[i] : a[i]; if (scale < 1) scale = 1
        if (d > 1e-6 * scale) same = 0
      }
      if (!same) { print "expected: " want[FNR] "\n     got: " $0; bad = 1 }
    }
    END { if (got != wanted) { print "expected " wanted " lines, got " got + 0; bad = 1 } exit bad }' "$1" "$2"
}

check_consumer_output() {
  local build=$1 output=$2
  {
    expected_line crate "$build/torvane/consumer/crate.h"
    expected_line pyramid "$build/torvane/consumer/pyramid.h"
  } > "$work/expected.txt"
  same_report "$work/expected.txt" "$output" || fail "the consumer's report differs from its headers"
  # Stated by the format: the crate's 24 welded corners and 12 triangles
  # plus the warning mesh's 752 vertices and 552 triangles.
  grep -q '^crate: 776 vertices, 564 triangles, ' "$output" || fail "the crate should have 776 vertices and 564 triangles"
}

build_torvane() {
  log "build Torvane and install it into a temporary prefix"
  cmake -S . -B "$work/torvane" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_WARNINGS_AS_ERRORS=ON \
    -DTORVANE_BUILD_TESTS=OFF -DTORVANE_BUILD_TOOLS=OFF > /dev/null
  cmake --build "$work/torvane" -j2
  cmake --install "$work/torvane" --prefix "$prefix"
  for file in bin/torvane share/man/man1/torvane.1 lib/cmake/Torvane/TorvaneConfig.cmake \
      lib/cmake/Torvane/TorvaneConfigVersion.cmake lib/cmake/Torvane/TorvaneAddHeader.cmake \
      lib/cmake/Torvane/TorvaneTargets.cmake; do
    [ -f "$prefix/$file" ] || fail "the install has no $file"
  done
  if command -v groff > /dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man1/torvane.1" 2>&1)
    [ -z "$warnings" ] || fail "the manual page has roff warnings: $warnings"
  fi
}

build_consumer() {
  local build=$1; shift
  cmake -S examples/consumer -B "$build" -G Ninja -DCMAKE_C_FLAGS=-Werror "$@" > /dev/null
  cmake --build "$build"
}

consumer_against_install() {
  log "build and run examples/consumer through find_package(Torvane)"
  local build=$work/consumer
  build_consumer "$build" -DCMAKE_PREFIX_PATH="$prefix"
  "$build/consumer" | tee "$work/installed.txt"
  check_consumer_output "$build" "$work/installed.txt"

  log "the headers are torvane's own output with the seeds asked for"
  "$prefix/bin/torvane" --ascii --seed 1 -o "$work/direct/1" examples/crate.obj
  "$prefix/bin/torvane" --ascii --seed 7 -o "$work/direct/7" examples/pyramid.obj
  cmp "$build/torvane/consumer/crate.h" "$work/direct/1/crate.h"
  cmp "$build/torvane/consumer/pyramid.h" "$work/direct/7/pyramid.h"

  log "rebuilds: nothing without a change, one header per changed model, all for a new tool"
  cmake --build "$build" | tee "$work/rebuild.txt"
  grep -q 'no work to do' "$work/rebuild.txt" || fail "a build without changes did work"
  touch examples/crate.obj
  cmake --build "$build" | tee "$work/rebuild.txt"
  grep -q 'Generating torvane/consumer/crate.h' "$work/rebuild.txt" || fail "a changed model was not converted again"
  ! grep -q 'Generating torvane/consumer/pyramid.h' "$work/rebuild.txt" || fail "an unchanged model was converted again"
  touch "$prefix/bin/torvane"
  cmake --build "$build" | tee "$work/rebuild.txt"
  [ "$(grep -c 'Generating torvane/consumer/' "$work/rebuild.txt")" -eq 2 ] || fail "a new torvane did not regenerate both headers"
}

# torvane_add_header() refuses mistakes when the project is configured, with
# a message naming the problem, and passes the largest seed on.
add_header_calls() {
  log "torvane_add_header(): refusals and the largest seed"
  local project=$work/calls build=$work/calls/build
  mkdir -p "$project/models" "$project/other"
  cp examples/crate.obj "$project/models/crate.obj"
  cp examples/crate.obj "$project/other/crate.obj"
  cp examples/crate.obj "$project/models/crate.txt"
  cat > "$project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(TorvaneCalls LANGUAGES C)
find_package(Torvane REQUIRED)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/main.c "#include \"crate.h\"\nint main(void) { return crate_indicies[0] > 1000; }\n")
add_executable(app ${CMAKE_CURRENT_BINARY_DIR}/main.c)
torvane_add_header(app ${MODEL} ${EXTRA})
if(SECOND_MODEL)
  torvane_add_header(app ${SECOND_MODEL})
endif()
CMAKE
  expect_refusal() {
    local message=$1; shift
    if cmake -S "$project" -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DEXTRA= -DSECOND_MODEL= "$@" \
        > "$work/calls.txt" 2>&1; then
      fail "torvane_add_header() accepted $*"
    fi
    # CMake wraps long messages: compare with the line breaks taken out.
    tr '\n' ' ' < "$work/calls.txt" | tr -s ' ' | grep -qF "$message" ||
      { cat "$work/calls.txt"; fail "no message \"$message\" for $*"; }
  }
  expect_refusal "models/crate.txt: a model's file name must end in .obj" -DMODEL=models/crate.txt
  expect_refusal "SEED takes a number from 0 to 4294967295, not '4294967296'" -DMODEL=models/crate.obj "-DEXTRA=SEED;4294967296"
  expect_refusal "SEED takes a number from 0 to 4294967295, not '-1'" -DMODEL=models/crate.obj "-DEXTRA=SEED;-1"
  expect_refusal "unexpected arguments: SEEDS;3" -DMODEL=models/crate.obj "-DEXTRA=SEEDS;3"
  expect_refusal "NORMALS takes auto, smooth or flat, not 'Smooth'" -DMODEL=models/crate.obj "-DEXTRA=NORMALS;Smooth"
  expect_refusal "app already has a header crate.h" -DMODEL=models/crate.obj -DSECOND_MODEL=other/crate.obj

  cmake -S "$project" -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DMODEL=models/crate.obj \
    "-DEXTRA=SEED;4294967295" -DSECOND_MODEL= > /dev/null
  cmake --build "$build" > /dev/null
  "$prefix/bin/torvane" --ascii --seed 4294967295 -o "$work/direct/max" examples/crate.obj
  cmp "$build/torvane/app/crate.h" "$work/direct/max/crate.h"

  # NORMALS passes --normals on, to a model without normals.
  cp examples/bumpy_torus.obj "$project/models/crate.obj"
  cmake -S "$project" -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DMODEL=models/crate.obj \
    "-DEXTRA=NORMALS;flat" -DSECOND_MODEL= > /dev/null
  cmake --build "$build" > /dev/null
  "$prefix/bin/torvane" --ascii --normals=flat --seed 1 -o "$work/direct/flat" "$project/models/crate.obj"
  cmp "$build/torvane/app/crate.h" "$work/direct/flat/crate.h"
  grep -q 'float nrm\[3\];' "$build/torvane/app/crate.h" || fail "NORMALS flat wrote no normals"
}

# NON_INTERLEAVED from the installed package: the crate (positions, texture
# coordinates, normals) and a pyramid named Würfel.obj (no texture
# coordinates) in one C file, its names written as \u00FC by --ascii.
add_header_forms() {
  log "torvane_add_header(): NON_INTERLEAVED, names beyond ASCII"
  local project=$work/forms build=$work/forms/build
  mkdir -p "$project"
  cp examples/crate.obj "$project/crate.obj"
  cp examples/pyramid.obj "$project/Würfel.obj"
  cat > "$project/main.c" <<'C'
#include <stdio.h>
#include "crate.h"
#include "Würfel.h"
int main(void)
{
    printf("%u %u %u %u\n", (unsigned)(sizeof crate_uvw / sizeof crate_uvw[0]),
           (unsigned)(sizeof W\u00FCrfel_nrm / sizeof W\u00FCrfel_nrm[0]),
           (unsigned)(sizeof crate_indicies / sizeof crate_indicies[0]), W\u00FCrfel_indicies[0] < 1000);
    return 0;
}
C
  cat > "$project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(TorvaneForms LANGUAGES C)
find_package(Torvane REQUIRED)
add_executable(forms main.c)
set_target_properties(forms PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
target_compile_options(forms PRIVATE -Wall -Wextra -Wpedantic -Werror)
torvane_add_header(forms crate.obj NON_INTERLEAVED)
torvane_add_header(forms Würfel.obj SEED 5 NON_INTERLEAVED)
CMAKE
  cmake -S "$project" -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
  cmake --build "$build" > /dev/null
  [ "$("$build/forms")" = "776 768 1692 1" ] || fail "the NON_INTERLEAVED headers hold other arrays: $("$build/forms")"
  ! grep -q OBJ_VERT "$build/torvane/forms/crate.h" || fail "a NON_INTERLEAVED header declares OBJ_VERT"
  LC_ALL=C grep -q '[^ -~]' <(tr -d '\r\t' < "$build/torvane/forms/Würfel.h") && fail "Würfel.h is not pure ASCII"
  "$prefix/bin/torvane" --non-interleaved --ascii --seed 5 -o "$work/direct/forms" "$project/Würfel.obj"
  cmp "$build/torvane/forms/Würfel.h" "$work/direct/forms/Würfel.h"
}

consumer_with_sources() {
  log "build examples/consumer with Torvane's sources in the build (FetchContent)"
  mkdir -p "$work/intree"
  cat > "$work/intree/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.24)
project(TorvaneFromSource LANGUAGES C CXX)
include(FetchContent)
FetchContent_Declare(Torvane SOURCE_DIR "${TORVANE_SOURCE}" OVERRIDE_FIND_PACKAGE)
FetchContent_MakeAvailable(Torvane)
add_subdirectory("${TORVANE_SOURCE}/examples/consumer" consumer)
EOF
  cmake -S "$work/intree" -B "$work/intree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTORVANE_SOURCE="$source" -DCMAKE_C_FLAGS=-Werror > /dev/null
  cmake --build "$work/intree/build" -j2 > /dev/null
  "$work/intree/build/consumer/consumer" | tee "$work/intree.txt"
  check_consumer_output "$work/intree/build/consumer" "$work/intree.txt"
}

consumer_through_add_subdirectory() {
  log "a project that adds Torvane with add_subdirectory(), GoogleTest unfindable"
  local project=$work/subdirectory build=$work/subdirectory/build
  mkdir -p "$project"
  cp examples/crate.obj "$project/crate.obj"
  cat > "$project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(TorvaneSubdirectory LANGUAGES C CXX)
add_subdirectory("${TORVANE_SOURCE}" torvane)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/main.c "#include <stdio.h>\n#include \"crate.h\"\n"
  "int main(void) { printf(\"%u\\n\", (unsigned)(sizeof crate_indicies / sizeof crate_indicies[0])); return 0; }\n")
add_executable(app ${CMAKE_CURRENT_BINARY_DIR}/main.c)
torvane_add_header(app crate.obj)
CMAKE
  cmake -S "$project" -B "$build" -G Ninja -DTORVANE_SOURCE="$source" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON --no-warn-unused-cli \
    -DCMAKE_C_FLAGS=-Werror > /dev/null
  grep -q '^TORVANE_BUILD_TESTS:BOOL=OFF$' "$build/CMakeCache.txt" || fail "a subproject build builds Torvane's tests"
  grep -q '^TORVANE_BUILD_TOOLS:BOOL=OFF$' "$build/CMakeCache.txt" || fail "a subproject build builds Torvane's tools"
  grep -q '^CMAKE_BUILD_TYPE:STRING=$' "$build/CMakeCache.txt" || fail "Torvane chose the including project's build type"
  cmake --build "$build" -j2 > /dev/null
  # The crate's 12 triangles and the warning mesh's 552, three indices each.
  [ "$("$build/app")" = 1692 ] || fail "the header generated through add_subdirectory() is not the crate's"
}

linux_packages() {
  log "packages: .tar.gz and .deb"
  rm -rf "$packages"
  (cd "$work/torvane" && cpack -B "$packages" > /dev/null)
  local tarball deb
  tarball=$(ls "$packages"/torvane-*.tar.gz)
  deb=$(ls "$packages"/torvane_*.deb)
  # Listed into a file: grep -q stops reading at the first match, and the
  # lister it leaves behind fails on the closed pipe.
  tar tzf "$tarball" > "$work/tarball.txt"
  grep -q '/bin/torvane$' "$work/tarball.txt" || fail "$tarball has no bin/torvane"
  grep -q '/lib/cmake/Torvane/TorvaneConfig.cmake$' "$work/tarball.txt" || fail "$tarball has no CMake package"
  # The released program runs on any Linux with a recent enough C library.
  mkdir -p "$work/tarball"
  tar xzf "$tarball" -C "$work/tarball"
  local needed
  needed=$(readelf -d "$(find "$work/tarball" -path '*/bin/torvane')" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  echo "$tarball: bin/torvane needs:" $needed
  ! grep -qvE '^(libc|libm|ld-linux[-a-z0-9_]*)\.so\.[0-9]+$' <<< "$needed" || fail "$tarball: bin/torvane needs more than the C library"
  dpkg-deb --info "$deb"
  # Letters are classified from a table built in: no Unicode library.
  dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "$deb does not depend on the C library"
  ! dpkg-deb -f "$deb" Depends | grep -q 'libicu' || fail "$deb depends on ICU"
  dpkg-deb -c "$deb" > "$work/deb.txt"
  grep -q './usr/share/man/man1/torvane.1.gz$' "$work/deb.txt" || fail "$deb has no manual page"

  log "build and run examples/consumer against the unpacked .deb"
  dpkg-deb -x "$deb" "$work/deb"
  build_consumer "$work/consumer-deb" -DCMAKE_PREFIX_PATH="$work/deb/usr"
  "$work/consumer-deb/consumer" > "$work/deb.txt"
  cmp "$work/installed.txt" "$work/deb.txt"
}

windows_package() {
  log "package: .zip from the Windows cross build"
  cmake -S . -B "$work/windows" -G Ninja --toolchain cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTORVANE_WARNINGS_AS_ERRORS=ON -DTORVANE_BUILD_TESTS=OFF -DTORVANE_BUILD_TOOLS=OFF > /dev/null
  cmake --build "$work/windows" -j2 > /dev/null
  (cd "$work/windows" && cpack -B "$packages" > /dev/null)
  local zip
  zip=$(ls "$packages"/torvane-*-windows-x64.zip)
  (cd "$work" && cmake -E tar tf "$zip") > "$work/zip.txt"
  grep -q '/bin/torvane.exe$' "$work/zip.txt" || fail "$zip has no bin/torvane.exe"
  grep -q '/lib/cmake/Torvane/TorvaneConfig.cmake$' "$work/zip.txt" || fail "$zip has no CMake package"
}

install_missing build-essential cmake ninja-build binutils dpkg-dev file groff-base g++-mingw-w64-x86-64-posix
build_torvane
consumer_against_install
add_header_calls
add_header_forms
consumer_with_sources
consumer_through_add_subdirectory
linux_packages
windows_package
ls -l "$packages"
log "consumer: done"

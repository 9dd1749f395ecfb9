#!/usr/bin/env bash
# The Windows job: cross-builds torvane.exe and the test suite with mingw-w64,
# runs the tests under Wine, and checks that the Windows build writes the
# same bytes as the native one for the same models and seed.
#
#   bash .ci/windows.sh
#
# TORVANE_NATIVE_EXE may name an already built native torvane for the
# comparison; otherwise the one of .ci/run's native job (build-ci) is used
# when it is there, or a native torvane is built here.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build-windows
JOBS=${TORVANE_JOBS:-2}
# shellcheck source=job.sh
source "$ROOT/.ci/job.sh"

install_tools() {
    local missing=()
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
    [[ -x /usr/lib/wine/wine64 ]] || command -v wine64 >/dev/null || missing+=(wine64)
    command -v wine >/dev/null || missing+=(wine)
    [[ -f /usr/src/googletest/CMakeLists.txt ]] || missing+=(googletest)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v script >/dev/null || missing+=(bsdutils)
    install_packages_named "${missing[@]}"
}

section "tools"
install_tools

# Wine maps file names and arguments through the locale's character set; in
# the C locale every non-ASCII name is lost before it reaches the program.
export LC_ALL=C.UTF-8
export WINEDEBUG=-all
export WINEPREFIX=$BUILD/wine-prefix
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
[[ -x $WINE ]] || WINE=$(command -v wine)

section "cross build"
mkdir -p "$BUILD"
cmake --preset windows -DTORVANE_WARNINGS_AS_ERRORS=ON >"$BUILD/configure.log" 2>&1 ||
    { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j "$JOBS"

section "wine prefix"
# The first start creates the prefix; doing it once here keeps that out of
# every test's time limit.
mkdir -p "$WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1 || true

section "tests under wine"
ctest --test-dir "$BUILD" -j "$JOBS" --timeout 300 --output-on-failure

section "console output under wine"
# ctest redirects every stream, so the console cases skip there; here the
# test program gets a terminal, which Wine turns into a console.
console_log=$BUILD/console-tests.log
script -qec "$WINE '$BUILD/tests/torvane_tests.exe' --gtest_filter='*Console*' >'$console_log' 2>&1" /dev/null \
    </dev/null >/dev/null || true
cat "$console_log"
if grep -q SKIPPED "$console_log" || ! grep -q '^\[  PASSED  \] 2 tests' "$console_log"; then
    echo "the console tests did not run and pass" >&2
    exit 1
fi

section "same bytes as the native build"
NATIVE_EXE=${TORVANE_NATIVE_EXE:-}
if [[ -z $NATIVE_EXE && -x $ROOT/build-ci/src/torvane ]]; then
    NATIVE_EXE=$ROOT/build-ci/src/torvane
fi
if [[ -z $NATIVE_EXE ]]; then
    cmake -S "$ROOT" -B "$ROOT/build-windows-native-reference" -DTORVANE_BUILD_TESTS=OFF \
        -DTORVANE_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$ROOT/build-windows-native-reference" -j "$JOBS" --target torvane
    NATIVE_EXE=$ROOT/build-windows-native-reference/src/torvane
fi
bash "$ROOT/.ci/compare-output.sh" "$NATIVE_EXE" "$BUILD/src/torvane.exe" "$WINE" Windows

section "done"
echo "windows job: $((SECONDS - job_started)) s"

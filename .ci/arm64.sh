#!/usr/bin/env bash
# The ARM64 job: cross-builds torvane and the test suite for 64-bit ARM Linux
# with Debian's g++-aarch64-linux-gnu (warnings as errors, linked
# statically), runs the whole suite under qemu-aarch64, checks that the
# ARM64 build writes the same bytes as the native one for the examples, the
# golden inputs, the assimp models and a generated 100k-triangle model, and
# that its release tarball's torvane needs no shared library.
#
#   bash .ci/arm64.sh
#
# TORVANE_NATIVE_BUILD may name a native build folder with src/torvane and
# tools/make_model; otherwise .ci/run's native build (build-ci) is used when
# it is there, or one is built here.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build-linux-arm64
JOBS=${TORVANE_JOBS:-2}
# shellcheck source=job.sh
source "$ROOT/.ci/job.sh"

install_tools() {
    local missing=()
    command -v aarch64-linux-gnu-g++ >/dev/null || missing+=(g++-aarch64-linux-gnu)
    command -v qemu-aarch64 >/dev/null || missing+=(qemu-user)
    [[ -f /usr/src/googletest/CMakeLists.txt ]] || missing+=(googletest)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v readelf >/dev/null || missing+=(binutils)
    install_packages_named "${missing[@]}"
}

native_build() {
    local native=${TORVANE_NATIVE_BUILD:-}
    if [[ -z $native && -x $ROOT/build-ci/src/torvane && -x $ROOT/build-ci/tools/make_model ]]; then
        native=$ROOT/build-ci
    fi
    if [[ -z $native ]]; then
        native=$ROOT/build-arm64-native-reference
        cmake -S "$ROOT" -B "$native" -DTORVANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$native" -j "$JOBS" --target torvane make_model >/dev/null
    fi
    echo "$native"
}

section "tools"
install_tools

section "cross build"
mkdir -p "$BUILD"
cmake --preset linux-arm64 -DTORVANE_WARNINGS_AS_ERRORS=ON >"$BUILD/configure.log" 2>&1 ||
    { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j "$JOBS"

section "tests under qemu-aarch64"
ctest --test-dir "$BUILD" -j "$JOBS" --timeout 600 --output-on-failure

section "release tarball: torvane needs no shared library"
(cd "$BUILD" && cpack -G TGZ -B "$BUILD/packages" >/dev/null)
tarball=$(ls "$BUILD"/packages/torvane-*-linux-arm64.tar.gz)
unpacked=$BUILD/packages/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
tar xzf "$tarball" -C "$unpacked"
program=$(find "$unpacked" -path '*/bin/torvane')
readelf -h "$program" | grep -q 'AArch64' || { echo "$tarball: bin/torvane is not an ARM64 program" >&2; exit 1; }
if readelf -d "$program" | grep -q NEEDED || readelf -l "$program" | grep -q INTERP; then
    readelf -d "$program" >&2
    echo "$tarball: bin/torvane needs shared libraries" >&2
    exit 1
fi

section "same bytes as the native build"
NATIVE=$(native_build)
models=$(mktemp -d "${TMPDIR:-/tmp}/torvane-arm64-models.XXXXXX")
trap 'rm -rf "$models"' EXIT
mkdir -p "$models/generated"
# 250 rings of 200 quads: 100,000 triangles.
"$NATIVE/tools/make_model" --rings 250 --sides 200 >"$models/generated/torus100k.obj"
extra=("$models/generated")
if compgen -G "/usr/share/assimp/models/OBJ/*.obj" >/dev/null; then
    extra+=(/usr/share/assimp/models/OBJ)
else
    echo "assimp-testmodels is not installed: its models are not compared"
fi
bash "$ROOT/.ci/compare-output.sh" "$NATIVE/src/torvane" "$BUILD/src/torvane" "$(command -v qemu-aarch64)" ARM64 \
    "${extra[@]}"

section "done"
echo "arm64 job: $((SECONDS - job_started)) s"

#!/usr/bin/env bash
# The cross jobs: torvane built for other Linux architectures with Debian's
# cross compilers (warnings as errors, linked statically) and run under
# qemu-user. For each target its release tarball's torvane must be a program
# of that architecture that needs no shared library, and its headers, error
# lines and exit statuses must be byte for byte the native build's
# (.ci/compare-output.sh) on the examples, the golden inputs, the assimp
# models and a generated 100k-triangle model.
#
#   arm64  64-bit ARM; also the whole test suite under qemu-aarch64
#   armhf  32-bit ARM with hardware floating point, as on Raspberry Pi OS
#   i686   32-bit x86 with SSE2 arithmetic
#   s390x  IBM Z: 64-bit and big-endian
#
# On the 32-bit targets named in TORVANE_LIMIT_TARGETS (default: armhf) the
# limits of a 32-bit build as well: a model past 2 GiB converts to the
# native header, and one whose indices outgrow the address space is
# refused with a message, leaving nothing behind.
#
#   bash .ci/cross.sh [TARGET...]    (all four when none is named)
#
# TORVANE_NATIVE_BUILD may name a native build folder with src/torvane and
# tools/make_model; otherwise .ci/run's native build (build-ci) is used when
# it is there, or one is built here.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${TORVANE_JOBS:-2}
LIMIT_TARGETS=${TORVANE_LIMIT_TARGETS:-armhf}
# shellcheck source=job.sh
source "$ROOT/.ci/job.sh"

TARGETS=("$@")
((${#TARGETS[@]})) || TARGETS=(arm64 armhf i686 s390x)

# Sets what the jobs need to know of target: its preset, the compiler's
# triplet, the emulator, what readelf calls its programs, and whether the
# whole test suite runs there.
describe_target() {
    case $1 in
    arm64) preset=linux-arm64 triplet=aarch64-linux-gnu qemu=qemu-aarch64 elf='ELF64 AArch64' suite=1 ;;
    armhf) preset=linux-armhf triplet=arm-linux-gnueabihf qemu=qemu-arm elf='ELF32 ARM' suite=0 ;;
    i686) preset=linux-i686 triplet=i686-linux-gnu qemu=qemu-i386 elf='ELF32 Intel 80386' suite=0 ;;
    s390x) preset=linux-s390x triplet=s390x-linux-gnu qemu=qemu-s390x elf='ELF64 IBM S/390' suite=0 ;;
    *)
        echo "unknown target '$1': arm64, armhf, i686 or s390x" >&2
        exit 2
        ;;
    esac
}

install_tools() {
    local missing=() target
    for target in "${TARGETS[@]}"; do
        describe_target "$target"
        command -v "$triplet-g++" >/dev/null || missing+=("g++-$triplet")
        command -v "$qemu" >/dev/null || missing+=(qemu-user)
        if ((suite)) && [[ ! -f /usr/src/googletest/CMakeLists.txt ]]; then
            missing+=(googletest)
        fi
    done
    command -v cmake >/dev/null || missing+=(cmake)
    command -v readelf >/dev/null || missing+=(binutils)
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u | grep .)
    install_packages_named "${missing[@]}"
}

native_build() {
    local native=${TORVANE_NATIVE_BUILD:-}
    if [[ -z $native && -x $ROOT/build-ci/src/torvane && -x $ROOT/build-ci/tools/make_model ]]; then
        native=$ROOT/build-ci
    fi
    if [[ -z $native ]]; then
        native=$ROOT/build-cross-native-reference
        cmake -S "$ROOT" -B "$native" -DTORVANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$native" -j "$JOBS" --target torvane make_model >/dev/null
    fi
    echo "$native"
}

# Only torvane is built where the suite does not run: the comparisons need
# nothing else, and each build then takes well under a minute.
cross_build() {
    local build=$ROOT/build-$preset options=(-DTORVANE_WARNINGS_AS_ERRORS=ON)
    ((suite)) || options+=(-DTORVANE_BUILD_TESTS=OFF -DTORVANE_BUILD_TOOLS=OFF)
    mkdir -p "$build"
    cmake --preset "$preset" "${options[@]}" >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
    cmake --build "$build" -j "$JOBS"
}

check_tarball() {
    local build=$ROOT/build-$preset tarball unpacked program header
    rm -rf "$build/packages"
    (cd "$build" && cpack -G TGZ -B "$build/packages" >/dev/null)
    tarball=$(ls "$build"/packages/torvane-*.tar.gz)
    unpacked=$build/packages/unpacked
    mkdir -p "$unpacked"
    tar xzf "$tarball" -C "$unpacked"
    program=$(find "$unpacked" -path '*/bin/torvane')
    header=$(readelf -h "$program" | awk -F': +' '$1 ~ /Class/ { c = $2 } $1 ~ /Machine/ { m = $2 } END { print c, m }')
    if [[ $header != "$elf" ]]; then
        echo "$tarball: bin/torvane is '$header', not '$elf'" >&2
        exit 1
    fi
    if readelf -d "$program" | grep -q NEEDED || readelf -l "$program" | grep -q INTERP; then
        readelf -d "$program" >&2
        echo "$tarball: bin/torvane needs shared libraries" >&2
        exit 1
    fi
}

# A model past 2 GiB, where a build without large-file support cannot even
# open it: a vertex at the start, one in the middle, and the last one and
# the face at the end, with NUL bytes between them, which end lines as line
# feeds do. The file is sparse, so it takes no room on disk, and its header
# is that of the four lines alone. Read in two halves, it is also read from
# an offset. qemu-arm reads it at some 35 MB/s on a busy machine (4.4 GB
# took two minutes), so CI stays at 2.2 GB;
# TORVANE_LARGE_MODEL_BYTES=4400000000 checks one past 4 GiB.
check_large_model() {
    local program=$1 bytes=${TORVANE_LARGE_MODEL_BYTES:-2200000000}
    local model=$WORK/large/huge.obj reference=$WORK/large-reference started
    mkdir -p "$WORK/large" "$reference"
    printf 'v 0 0 0\n' >"$model"
    truncate -s $((bytes / 2)) "$model"
    printf '\nv 1 0 0\n' >>"$model"
    truncate -s "$bytes" "$model"
    printf '\nv 0 1 0\nf 1 2 3\n' >>"$model"
    printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$reference/huge.obj"
    (cd "$reference" && "$NATIVE/src/torvane" --seed 9 huge.obj)
    started=$SECONDS
    (cd "$WORK/large" && "$qemu" "$program" --seed 9 huge.obj)
    echo "$(stat -c %s "$model") bytes converted in $((SECONDS - started)) s"
    if ! cmp "$reference/huge.h" "$WORK/large/huge.h"; then
        echo "the $target header of a $bytes-byte model differs from the native one" >&2
        exit 1
    fi
    rm -rf "$WORK/large" "$reference"
}

# 180,000 lines, each a fan of 999 triangles: their 539 million indices
# take 2.16 GB, more than any list of a 32-bit program can hold, however the
# reading shares them out. The model is refused as out of memory, and the
# model after it is still converted.
check_address_space_refusal() {
    local program=$1 directory=$WORK/wide status=0 started
    mkdir -p "$directory"
    printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\n' >"$directory/wide.obj"
    awk 'BEGIN {
        line = "f 1"
        for (i = 0; i < 500; i++) line = line " 2 3"
        for (i = 0; i < 180000; i++) print line
    }' >>"$directory/wide.obj"
    printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$directory/after.obj"
    started=$SECONDS
    (cd "$directory" && "$qemu" "$program" --seed 9 wide.obj after.obj) 2>"$WORK/wide.err" || status=$?
    echo "refused in $((SECONDS - started)) s: $(cat "$WORK/wide.err")"
    if [[ $status != 1 || $(cat "$WORK/wide.err") != "torvane: wide.obj: out of memory" ]]; then
        echo "the $target build did not refuse a model beyond its address space as expected (status $status)" >&2
        exit 1
    fi
    if [[ $(cd "$directory" && ls -A | tr '\n' ' ') != "after.h after.obj wide.obj " ]]; then
        echo "refusing wide.obj left other files than after.h behind: $(ls -A "$directory")" >&2
        exit 1
    fi
    rm -rf "$directory"
}

run_target() {
    local target=$1 started=$SECONDS build program
    describe_target "$target"
    build=$ROOT/build-$preset
    program=$build/src/torvane
    section "$target: cross build"
    cross_build
    if ((suite)); then
        section "$target: tests under $qemu"
        ctest --test-dir "$build" -j "$JOBS" --timeout 600 --output-on-failure
    fi
    section "$target: release tarball: a static $elf program"
    check_tarball
    section "$target: same bytes as the native build"
    bash "$ROOT/.ci/compare-output.sh" "$NATIVE/src/torvane" "$program" "$(command -v "$qemu")" "$target" \
        "${model_dirs[@]}"
    if [[ " $LIMIT_TARGETS " == *" $target "* && $elf == ELF32* ]]; then
        section "$target: a model past 2 GiB converts as on 64-bit"
        check_large_model "$program"
        section "$target: a model beyond the address space is refused"
        check_address_space_refusal "$program"
    fi
    echo "$target: $((SECONDS - started)) s"
}

for target in "${TARGETS[@]}"; do
    describe_target "$target"
done

section "tools"
install_tools

section "native build and models"
NATIVE=$(native_build)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/torvane-cross.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/generated"
# 250 rings of 200 quads: 100,000 triangles.
"$NATIVE/tools/make_model" --rings 250 --sides 200 >"$WORK/generated/torus100k.obj"
model_dirs=("$WORK/generated")
if compgen -G "/usr/share/assimp/models/OBJ/*.obj" >/dev/null; then
    model_dirs+=(/usr/share/assimp/models/OBJ)
else
    echo "assimp-testmodels is not installed: its models are not compared"
fi

for target in "${TARGETS[@]}"; do
    run_target "$target"
done

section "done"
echo "cross jobs (${TARGETS[*]}): $((SECONDS - job_started)) s"

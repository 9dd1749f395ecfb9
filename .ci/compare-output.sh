#!/usr/bin/env bash
# Runs the native torvane and another build of it (Windows under Wine, ARM64
# under qemu-user) on the same models with the same seed and fails on any
# byte of difference, and checks the other build's headers against the
# golden ones the native tests use. Each MODEL_DIR's models are converted
# too, named in one run, as they are and with normals generated.
#
#   bash .ci/compare-output.sh NATIVE_EXE OTHER_EXE RUNNER LABEL [MODEL_DIR...]
set -euo pipefail

NATIVE=$(realpath "$1")
OTHER=$(realpath "$2")
RUNNER=$3
LABEL=$4
shift 4
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/torvane-identity.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

compared=0
failed=0

# run_both NAME SETUP_DIR ARGS... : copies SETUP_DIR into a native and an
# other directory, runs both executables there and compares every header.
run_both() {
    local name=$1 setup=$2
    shift 2
    local native=$WORK/$name/native other=$WORK/$name/other
    mkdir -p "$native" "$other"
    cp -R "$setup"/. "$native"
    cp -R "$setup"/. "$other"
    local native_status=0 other_status=0
    (cd "$native" && "$NATIVE" "$@") || native_status=$?
    (cd "$other" && "$RUNNER" "$OTHER" "$@") || other_status=$?
    if [[ $native_status != "$other_status" ]]; then
        echo "FAIL $name: exit status $native_status (native) but $other_status ($LABEL)"
        failed=$((failed + 1))
    fi
    local headers
    headers=$(cd "$native" && find . -name '*.h' | LC_ALL=C sort)
    if [[ $headers != "$(cd "$other" && find . -name '*.h' | LC_ALL=C sort)" ]]; then
        echo "FAIL $name: the builds wrote different files"
        failed=$((failed + 1))
        return
    fi
    if [[ -z $headers ]]; then
        echo "FAIL $name: no header written"
        failed=$((failed + 1))
        return
    fi
    local header
    while IFS= read -r header; do
        compared=$((compared + 1))
        if ! cmp -s "$native/$header" "$other/$header"; then
            echo "FAIL $name: $header differs"
            cmp "$native/$header" "$other/$header" | head -1 || true
            failed=$((failed + 1))
        fi
    done <<<"$headers"
}

# The golden models in one run, in the order the end-to-end test uses.
golden=$ROOT/tests/data/golden
if compgen -G "$golden/*.obj" >/dev/null; then
    mkdir -p "$WORK/golden-input"
    cp "$golden"/*.obj "$WORK/golden-input"
    mapfile -t models < <(cd "$golden" && ls -1 -- *.obj | LC_ALL=C sort)
    run_both golden "$WORK/golden-input" --seed 1 "${models[@]}"
    for model in "${models[@]}"; do
        header=${model%.obj}.h
        [[ -f $golden/$header ]] || continue
        compared=$((compared + 1))
        if ! cmp -s "$golden/$header" "$WORK/golden/other/$header"; then
            echo "FAIL golden: the $LABEL $header differs from tests/data/golden/$header"
            failed=$((failed + 1))
        fi
    done
fi

# Each example alone, named on the command line and found by the listing.
for example in "$ROOT"/examples/*.obj; do
    base=$(basename "$example" .obj)
    mkdir -p "$WORK/input-$base"
    cp "$example" "$WORK/input-$base/"
    run_both "named-$base" "$WORK/input-$base" --seed 7 "$base.obj"
    run_both "listed-$base" "$WORK/input-$base" --seed 7
done

# Names whose stems depend on the character tables of the platform.
mkdir -p "$WORK/input-names"
for name in "Würfel" "立方体" "my model" "3dBox" "_x" "old-tree.2" "a.obj" "Ελληνικά"; do
    cp "$ROOT/examples/pyramid.obj" "$WORK/input-names/$name.obj"
done
run_both names "$WORK/input-names" --seed 11 "Würfel.obj" "立方体.obj" "my model.obj" \
    "3dBox.obj" "_x.obj" "old-tree.2.obj" "a.obj.obj" "Ελληνικά.obj"

# The other header forms: one array per attribute, names in pure ASCII.
for form in "--non-interleaved" "--ascii" "--non-interleaved --ascii"; do
    # shellcheck disable=SC2086 # the form is one or two options
    run_both "names${form// /}" "$WORK/input-names" $form --seed 11 "Würfel.obj" "立方体.obj" "my model.obj" \
        "3dBox.obj" "_x.obj" "old-tree.2.obj" "a.obj.obj" "Ελληνικά.obj"
done
run_both "crate-non-interleaved" "$WORK/input-crate" --non-interleaved --seed 7 crate.obj

# Generated normals, in each way, for the examples and the golden models in
# one run each: their sums of angles and square roots must come out the same
# to the bit.
mkdir -p "$WORK/input-normals"
cp "$ROOT"/examples/*.obj "$WORK/input-normals/"
if compgen -G "$golden/*.obj" >/dev/null; then
    cp "$golden"/*.obj "$WORK/input-normals/"
fi
mapfile -t models < <(cd "$WORK/input-normals" && ls -1 -- *.obj | LC_ALL=C sort)
for normals in auto smooth flat; do
    run_both "normals-$normals" "$WORK/input-normals" --normals=$normals --seed 3 "${models[@]}"
done

# Further models, all of a directory named in one run in sorted order, so
# that each file's scatter follows from the ones before it.
for directory in "$@"; do
    input=$WORK/input-dir-$(basename "$directory")
    mkdir -p "$input"
    mapfile -t models < <(cd "$directory" && ls -1 -- *.obj | LC_ALL=C sort)
    for model in "${models[@]}"; do
        cp "$directory/$model" "$input/"
    done
    run_both "dir-$(basename "$directory")" "$input" --seed 5 "${models[@]}"
    run_both "dir-$(basename "$directory")-normals" "$input" --normals=auto --seed 5 "${models[@]}"
done

echo "$((compared - failed)) passed, $failed failed: headers of the $LABEL build against the native build and the golden files"
((failed == 0))

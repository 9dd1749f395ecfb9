#!/usr/bin/env bash
# Runs the native and the Windows torvane on the same models with the same
# seed and fails on any byte of difference, and checks the Windows headers
# against the golden ones the native tests use.
#
#   bash .ci/compare-windows-output.sh NATIVE_EXE WINDOWS_EXE [WINE]
set -euo pipefail

NATIVE=$(realpath "$1")
WINDOWS=$(realpath "$2")
WINE=${3:-wine}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/torvane-identity.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

compared=0
failed=0

# run_both NAME SETUP_DIR ARGS... : copies SETUP_DIR into a native and a
# Windows directory, runs both executables there and compares every header.
run_both() {
    local name=$1 setup=$2
    shift 2
    local native=$WORK/$name/native windows=$WORK/$name/windows
    mkdir -p "$native" "$windows"
    cp -R "$setup"/. "$native"
    cp -R "$setup"/. "$windows"
    local native_status=0 windows_status=0
    (cd "$native" && "$NATIVE" "$@") || native_status=$?
    (cd "$windows" && "$WINE" "$WINDOWS" "$@") || windows_status=$?
    if [[ $native_status != "$windows_status" ]]; then
        echo "FAIL $name: exit status $native_status (native) but $windows_status (Windows)"
        failed=$((failed + 1))
    fi
    local headers
    headers=$(cd "$native" && find . -name '*.h' | LC_ALL=C sort)
    if [[ $headers != "$(cd "$windows" && find . -name '*.h' | LC_ALL=C sort)" ]]; then
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
        if ! cmp -s "$native/$header" "$windows/$header"; then
            echo "FAIL $name: $header differs"
            cmp "$native/$header" "$windows/$header" | head -1 || true
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
        if ! cmp -s "$golden/$header" "$WORK/golden/windows/$header"; then
            echo "FAIL golden: the Windows $header differs from tests/data/golden/$header"
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

echo "$((compared - failed)) passed, $failed failed: headers of the Windows build against the native build and the golden files"
((failed == 0))

#!/usr/bin/env bash
# Runs the native torvane and another build of it (Windows under Wine, other
# Linux architectures under qemu-user) on the same models with the same
# seed and fails on any byte of difference in the headers, the error lines
# or the exit status; checks the other build's headers against the golden
# ones the native tests use; and refuses the same faulty models with the
# same messages. Each MODEL_DIR's models are converted too, named in one run,
# as they are and with normals generated.
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

fail() {
    echo "FAIL $*"
    failed=$((failed + 1))
}

# run_both NAME SETUP_DIR ARGS... : copies SETUP_DIR into a native and an
# other directory, runs both executables there and compares their exit
# status, their standard error and every header.
run_both() {
    local name=$1 setup=$2
    shift 2
    local native=$WORK/$name/native other=$WORK/$name/other
    mkdir -p "$native" "$other"
    cp -R "$setup"/. "$native"
    cp -R "$setup"/. "$other"
    local native_status=0 other_status=0
    (cd "$native" && "$NATIVE" "$@") 2>"$WORK/$name/native.err" || native_status=$?
    (cd "$other" && "$RUNNER" "$OTHER" "$@") 2>"$WORK/$name/other.err" || other_status=$?
    compared=$((compared + 1))
    if [[ $native_status != "$other_status" ]]; then
        fail "$name: exit status $native_status (native) but $other_status ($LABEL)"
    fi
    if ! cmp -s "$WORK/$name/native.err" "$WORK/$name/other.err"; then
        fail "$name: the error lines differ (native, then $LABEL)"
        diff "$WORK/$name/native.err" "$WORK/$name/other.err" | head -20 || true
    fi
    local headers
    headers=$(cd "$native" && find . -name '*.h' | LC_ALL=C sort)
    if [[ $headers != "$(cd "$other" && find . -name '*.h' | LC_ALL=C sort)" ]]; then
        fail "$name: the builds wrote different files"
        return
    fi
    if [[ -z $headers ]]; then
        fail "$name: no header written"
        return
    fi
    local header
    while IFS= read -r header; do
        [[ -n $header ]] || continue
        compared=$((compared + 1))
        if ! cmp -s "$native/$header" "$other/$header"; then
            fail "$name: $header differs"
            cmp "$native/$header" "$other/$header" | head -1 || true
        fi
    done <<<"$headers"
}

# run_set NAME DIR : all models of DIR named in one run in sorted order, so
# that each file's scatter follows from the ones before it, at two seeds
# (the second the largest there is) and in each header form.
run_set() {
    local name=$1 directory=$2 models
    mapfile -t models < <(cd "$directory" && ls -1 -- *.obj | LC_ALL=C sort)
    for seed in 5 4294967295; do
        for form in "" "--non-interleaved" "--ascii"; do
            # shellcheck disable=SC2086 # the form is one option or none
            run_both "$name-$seed${form//-/}" "$directory" $form --seed "$seed" "${models[@]}"
        done
    done
}

# The golden models in one run, in the order the end-to-end test uses.
golden=$ROOT/tests/data/golden
mkdir -p "$WORK/input-golden"
cp "$golden"/*.obj "$WORK/input-golden"
mapfile -t models < <(cd "$golden" && ls -1 -- *.obj | LC_ALL=C sort)
run_both golden "$WORK/input-golden" --seed 1 "${models[@]}"
for model in "${models[@]}"; do
    header=${model%.obj}.h
    [[ -f $golden/$header ]] || continue
    compared=$((compared + 1))
    if ! cmp -s "$golden/$header" "$WORK/golden/other/$header"; then
        fail "golden: the $LABEL $header differs from tests/data/golden/$header"
    fi
done
run_set golden "$WORK/input-golden"

# Each example alone, named on the command line and found by the listing;
# then all of them in one run.
mkdir -p "$WORK/input-examples"
for example in "$ROOT"/examples/*.obj; do
    base=$(basename "$example" .obj)
    mkdir -p "$WORK/input-$base"
    cp "$example" "$WORK/input-$base/"
    cp "$example" "$WORK/input-examples/"
    run_both "named-$base" "$WORK/input-$base" --seed 7 "$base.obj"
    run_both "listed-$base" "$WORK/input-$base" --seed 7
done
run_set examples "$WORK/input-examples"

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


# Models that are refused, each for its own reason, beside one that is
# not: the same lines on standard error, the same exit status, the same
# header for the good one.
refused=$WORK/input-refused
mkdir -p "$refused"
cp "$ROOT/examples/pyramid.obj" "$refused/good.obj"
: >"$refused/empty.obj"
printf 'v 0 0 0\nv 1 0 0\n' >"$refused/no_faces.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n' >"$refused/position_out_of_range.obj"
printf 'v 0 0 0\nf -1 -2 -3\n' >"$refused/relative_before_first.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n' >"$refused/corner_without_position.obj"
printf 'v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n' >"$refused/infinite.obj"
printf 'v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n' >"$refused/not_a_number.obj"
printf 'v -3e38 0 0\nv 3e38 0 0\nv 0 1 0\nf 1 2 3\n' >"$refused/warning_leaves_float_range.obj"
printf '\xfe\xff\x00v\x00 \x001\x00\n' >"$refused/utf16.obj"
# Big enough to be read in two halves, with the fault in the second: its
# line number counts the lines of the first.
awk 'BEGIN {
    for (i = 0; i < 400000; i++) printf "v %d.25 0.5 -1\n", i
    for (i = 1; i < 100000; i++) printf "f %d %d %d\n", i, i + 1, i + 2
    print "f 1 2 400001"
}' >"$refused/big_position_out_of_range.obj"
mapfile -t models < <(cd "$refused" && ls -1 -- *.obj | LC_ALL=C sort)
run_both refused "$refused" --seed 3 "${models[@]}"
if [[ $(wc -l <"$WORK/refused/native.err") != $((${#models[@]} - 1)) ]]; then
    fail "refused: the native build did not refuse every faulty model with one line"
    cat "$WORK/refused/native.err"
fi

# Further models, each directory as one set.
for directory in "$@"; do
    input=$WORK/input-dir-$(basename "$directory")
    mkdir -p "$input"
    for model in "$directory"/*.obj; do
        cp "$model" "$input/"
    done
    run_set "dir-$(basename "$directory")" "$input"
    mapfile -t models < <(cd "$input" && ls -1 -- *.obj | LC_ALL=C sort)
    run_both "dir-$(basename "$directory")-normals" "$input" --normals=auto --seed 5 "${models[@]}"
done

echo "$((compared - failed)) passed, $failed failed: headers, error lines and exit statuses of the $LABEL build" \
    "against the native build and the golden files"
((failed == 0))

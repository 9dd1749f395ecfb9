#!/bin/sh
# Times whole torvane runs against yardsticks, side by side in one run, and
# prints medians, system time, peak memory and the ratios the performance
# goals are stated in; then the per-phase micro-benchmarks on the 1M model.
usage() {
    cat <<'EOF'
Usage: bench/run_benchmarks.sh [-b BUILD_DIR] [-m MODEL_DIR] [-k] [-r RUNS]
                               [-s CASES] [-x OTHER_TORVANE] [-q] [-h]

Cases (-s, default "crate 10k folder 100k 1m 4m"):
  crate    examples/crate.obj, whole process, against a C++ program that
           prints one line (40 times RUNS runs)
  10k      one 10,000-triangle torus (p/t/n quads, 0.7 MB)
  folder   100 of those in one folder, converted by a bare `torvane --seed 1`:
           again over its own headers (unchanged, so kept), over other
           headers (replaced), and into an empty folder (new headers)
  100k 1m 4m
           one torus of that many triangles, p/t/n quads and p//n triangles
Every case but crate is held against tinyobjloader loading the same files in
one process. Times are medians, system time a mean (from hyperfine).

Options:
  -b DIR   build directory (default: build-bench in the source tree)
  -m DIR   keep the generated models in DIR and reuse them next time
           (default: a fresh folder under $TMPDIR, removed at the end)
  -k       keep the fresh model folder (its name is printed)
  -r RUNS  runs per command (default 5)
  -x FILE  also time another torvane executable (an older build, say)
  -q       skip the micro-benchmarks
  -h       show this help

Needs Google Benchmark (libbenchmark-dev), tinyobjloader
(libtinyobjloader-dev), hyperfine and GNU time (/usr/bin/time).
EOF
}
set -eu

top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-bench
models=
keep=no
runs=5
cases="crate 10k folder 100k 1m 4m"
phases=yes
other=
fail() { echo "run_benchmarks.sh: $*" >&2; exit 2; }
while getopts :b:m:kr:s:x:qh option; do
    case $option in
    b) build=$OPTARG ;;
    m) models=$OPTARG ;;
    k) keep=yes ;;
    r) runs=$OPTARG ;;
    s) cases=$OPTARG ;;
    x) other=$OPTARG ;;
    q) phases=no ;;
    h) usage; exit 0 ;;
    :) fail "-$OPTARG needs a value (see -h)" ;;
    *) fail "unknown option -$OPTARG (see -h)" ;;
    esac
done
shift $((OPTIND - 1))
[ $# -eq 0 ] || fail "unexpected argument '$1' (see -h)"

# Everything that can be wrong is found before the slow build starts.
case $runs in '' | *[!0-9]* | 0) fail "-r takes a positive number of runs, not '$runs'" ;; esac
for case in $cases; do
    case $case in crate | 10k | folder | 100k | 1m | 4m) ;; *) fail "unknown case '$case' for -s" ;; esac
done
if [ -n "$other" ]; then
    [ -f "$other" ] || fail "-x $other: no such file"
    [ -x "$other" ] || fail "-x $other: not executable"
    other=$(cd "$(dirname "$other")" && pwd)/$(basename "$other")
fi
for tool in cmake hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null || fail "needs $tool"
done

progress() { echo "== $*" >&2; }

if [ -z "$models" ]; then
    models=$(mktemp -d "${TMPDIR:-/tmp}/torvane-bench.XXXXXX")
    if [ "$keep" = yes ]; then
        progress "models in $models (kept; remove with: rm -r $models)"
    else
        progress "models in $models (removed at the end; -k keeps them)"
        trap 'rm -rf "$models"' EXIT
        trap 'exit 130' INT TERM
    fi
else
    mkdir -p "$models"
    models=$(cd "$models" && pwd)
    progress "models in $models (kept and reused)"
fi
scratch=$models/scratch
mkdir -p "$scratch"

progress "building into $build"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j2 --target torvane make_model tinyobj_load print_line phases_bench >/dev/null
build=$(cd "$build" && pwd)
torvane=$build/src/torvane
tinyobj=$build/bench/tinyobj_load

# rings x sides of each size; both forms have 2 * rings * sides triangles.
shape() {
    case $1 in
    10k) echo "--rings 100 --sides 50" ;;
    100k) echo "--rings 500 --sides 100" ;;
    1m) echo "--rings 1000 --sides 500" ;;
    4m) echo "--rings 2000 --sides 1000" ;;
    esac
}

# The path of a torus model, generated if missing.
model() {
    path=$models/torus-$1-$2.obj
    if [ ! -s "$path" ]; then
        progress "generating $(basename "$path")"
        "$build/tools/make_model" $(shape "$1") --form "$2" >"$path.part"
        mv "$path.part" "$path"
    fi
    echo "$path"
}

# The folder of 100 10k models, with the 100 names for tinyobj_load.
folder() {
    dir=$models/folder-10k
    if [ ! -s "$dir/model-099.obj" ]; then
        source=$(model 10k ptn-quads)
        mkdir -p "$dir"
        for i in $(seq -w 0 99); do cp "$source" "$dir/model-0$i.obj"; done
    fi
    echo "$dir"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Peak resident megabytes of a command (median of three runs, GNU time).
peak() {
    for i in 1 2 3; do
        /usr/bin/time -f "%M" -o "$scratch/peak.txt" "$@" >/dev/null
        cat "$scratch/peak.txt"
    done | median | awk '{ printf "%.1f", $1 / 1024 }'
}

# "median system" seconds of command number $2 in hyperfine's CSV $1.
timing() { awk -F, -v row="$(($2 + 1))" 'NR == row { printf "%.4f %.4f", $4, $6 }' "$1"; }

ratio() { echo "$1 $2" | awk '{ if ($2 > 0) printf "%.2f", $1 / $2; else printf "-" }'; }

printf '%-20s %7s | %9s %8s | %9s %8s %8s | %6s %8s' case "file MB" "yard s" "yard MB" "torv s" "torv sys" \
    "torv MB" "ratio" "MB/file"
[ -z "$other" ] || printf ' | %9s %8s %8s %6s' "other s" "othr sys" "other MB" "ratio"
echo

# Times yardstick, torvane and the other torvane in the current directory;
# $1 the row's label, $2 the input's size in bytes, $3 the run count, $4 the
# yardstick's command, $5 torvane's arguments and $6, if given, a command
# run before each timed one (untimed).
compare() {
    label=$1 bytes=$2 count=$3 yardstick=$4 arguments=$5 prepare=${6:-true}
    progress "timing $label ($count runs each)"
    set -- "$yardstick" "$torvane $arguments"
    [ -z "$other" ] || set -- "$@" "$other $arguments"
    # Its warnings about outliers only restate that the machine is shared.
    if ! hyperfine -N --warmup 2 --runs "$count" --style none --prepare "$prepare" \
        --export-csv "$scratch/times.csv" "$@" \
        >/dev/null 2>"$scratch/hyperfine.txt"; then
        cat "$scratch/hyperfine.txt" >&2
        exit 1
    fi
    yard_s=$(timing "$scratch/times.csv" 1 | cut -d' ' -f1)
    torv=$(timing "$scratch/times.csv" 2)
    file_mb=$(echo "$bytes" | awk '{ printf "%.2f", $1 / 1048576 }')
    # shellcheck disable=SC2086
    yard_mb=$(peak $yardstick)
    # shellcheck disable=SC2086
    torv_mb=$(peak $torvane $arguments)
    printf '%-20s %7s | %9s %8s | %9s %8s %8s | %6s %8s' "$label" "$file_mb" "$yard_s" "$yard_mb" \
        "${torv% *}" "${torv#* }" "$torv_mb" "$(ratio "${torv% *}" "$yard_s")" "$(ratio "$torv_mb" "$file_mb")"
    if [ -n "$other" ]; then
        othr=$(timing "$scratch/times.csv" 3)
        # shellcheck disable=SC2086
        printf ' | %9s %8s %8s %6s' "${othr% *}" "${othr#* }" "$(peak $other $arguments)" \
            "$(ratio "${othr% *}" "$yard_s")"
    fi
    echo
}

for case in $cases; do
    case $case in
    crate)
        cp "$top/examples/crate.obj" "$models/crate.obj"
        (cd "$models" && compare "crate.obj" "$(stat -c %s crate.obj)" $((40 * runs)) \
            "$build/bench/print_line" "--seed 1 crate.obj")
        ;;
    folder)
        dir=$(folder)
        names=$(cd "$dir" && ls model-*.obj | tr '\n' ' ')
        bytes=$(cd "$dir" && cat $names | wc -c)
        # Run again over its own headers, which come out the same and stay;
        # over headers that differ (another seed's), which are replaced;
        # and into an empty folder.
        (cd "$dir" && compare "folder 100 x 10k" "$bytes" "$runs" "$tinyobj $names" "--seed 1")
        (cd "$dir" && compare "  headers replaced" "$bytes" "$runs" "$tinyobj $names" "--seed 1" \
            "$torvane --seed 2")
        (cd "$dir" && compare "  new headers" "$bytes" "$runs" "$tinyobj $names" "--seed 1 -o $scratch/out" \
            "rm -rf $scratch/out")
        ;;
    *)
        forms="ptn-quads pn-triangles"
        [ "$case" != 10k ] || forms=ptn-quads
        for form in $forms; do
            path=$(model "$case" "$form")
            (cd "$models" && compare "$case $form" "$(stat -c %s "$path")" "$runs" "$tinyobj $path" \
                "--seed 1 $path")
        done
        ;;
    esac
done
echo "yard = the yardstick: a C++ program printing one line for crate, tinyobjloader loading"
echo "the same files in one process otherwise; ratio = torvane / yardstick (times are"
echo "medians, system time a mean); MB = peak resident memory (median of 3)."

if [ "$phases" = yes ]; then
    progress "micro-benchmarks on the 1M model"
    TORVANE_BENCH_MODEL=$(model 1m ptn-quads) "$build/bench/phases_bench" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true
fi

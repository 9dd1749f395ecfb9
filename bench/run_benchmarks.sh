#!/bin/sh
# Times whole torvane runs against yardsticks, side by side in one run, and
# prints medians, system time, peak memory and the ratios the performance
# goals are stated in; then instruction counts by phase, which do not drift
# with the machine; then the per-phase micro-benchmarks on the 1M model.
usage() {
    cat <<'EOF'
Usage: bench/run_benchmarks.sh [-b BUILD_DIR] [-m MODEL_DIR] [-k] [-r RUNS]
                               [-s CASES] [-x OTHER_TORVANE] [-q] [-h]

Cases (-s, default "crate 10k folder 100k 1m 4m instructions"):
  crate    examples/crate.obj, whole process, against a C++ program that
           prints one line (40 times RUNS runs)
  10k      one 10,000-triangle torus (p/t/n quads, 0.7 MB)
  folder   100 of those in one folder, converted by a bare `torvane --seed 1`:
           again over its own headers (unchanged, so kept), over other
           headers (replaced), and into an empty folder (new headers)
  100k 1m 4m
           one torus of that many triangles, p/t/n quads and p//n triangles
  instructions
           the instructions (callgrind) of `torvane -j 1 --seed 1 FILE`
           writing a new header, for the 10k and the 100k p/t/n models,
           split into reading, welding, formatting and the rest
Every timed case but crate is held against tinyobjloader loading the same
files in one process. Times are medians, system time a mean (from hyperfine).

Options:
  -b DIR   build directory, configured Release with -g (default: build-bench
           in the source tree)
  -m DIR   keep the generated models in DIR and reuse them next time
           (default: a fresh folder under $TMPDIR, removed at the end)
  -k       keep the fresh model folder (its name is printed)
  -r RUNS  runs per command (default 5)
  -x FILE  also time and count another torvane executable (an older build,
           say; built with symbols, not stripped, for the phases)
  -q       skip the micro-benchmarks
  -h       show this help

Needs Google Benchmark (libbenchmark-dev), tinyobjloader
(libtinyobjloader-dev), hyperfine and GNU time (/usr/bin/time) for the timed
cases, valgrind for instructions.
EOF
}
set -eu

top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-bench
models=
keep=no
runs=5
cases="crate 10k folder 100k 1m 4m instructions"
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
timed=no
counted=no
for case in $cases; do
    case $case in
    crate | 10k | folder | 100k | 1m | 4m) timed=yes ;;
    instructions) counted=yes ;;
    *) fail "unknown case '$case' for -s" ;;
    esac
done
if [ -n "$other" ]; then
    [ -f "$other" ] || fail "-x $other: no such file"
    [ -x "$other" ] || fail "-x $other: not executable"
    other=$(cd "$(dirname "$other")" && pwd)/$(basename "$other")
fi
tools=cmake
[ "$timed" = no ] || tools="$tools hyperfine /usr/bin/time"
[ "$counted" = no ] || tools="$tools valgrind"
for tool in $tools; do
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
    keep=yes
    progress "models in $models (kept and reused)"
fi
scratch=$models/scratch
mkdir -p "$scratch"

progress "building into $build"
# -g only adds the symbols that name callgrind's functions: the instructions
# are Release's own (GCC's code does not depend on -g).
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DTORVANE_BUILD_BENCHMARKS=ON >/dev/null
targets="torvane make_model"
[ "$timed" = no ] || targets="$targets tinyobj_load print_line"
[ "$phases" = no ] || targets="$targets phases_bench"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >/dev/null
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
        # shellcheck disable=SC2046 # the shape is two options and their values
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

if [ "$timed" = yes ]; then
    printf '%-20s %7s | %9s %8s | %9s %8s %8s | %6s %8s' case "file MB" "yard s" "yard MB" "torv s" "torv sys" \
        "torv MB" "ratio" "MB/file"
    [ -z "$other" ] || printf ' | %9s %8s %8s %6s' "other s" "othr sys" "other MB" "ratio"
    echo
fi

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
        # shellcheck disable=SC2012,SC2086 # the names are model-NNN.obj
        names=$(cd "$dir" && ls model-*.obj | tr '\n' ' ')
        # shellcheck disable=SC2086
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
    instructions) ;;
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
if [ "$timed" = yes ]; then
    echo "yard = the yardstick: a C++ program printing one line for crate, tinyobjloader loading"
    echo "the same files in one process otherwise; ratio = torvane / yardstick (times are"
    echo "medians, system time a mean); MB = peak resident memory (median of 3)."
fi

# Writes the instructions of converting model $2 with torvane $1, total and
# by phase, in millions, after "|"; the profile is kept as $3-01 (a file per
# thread, should there be more).
count() {
    # A new header every time: over an existing one the run would compare
    # instead of write, and count that.
    rm -f "${2%.obj}.h" "$3" "$3"-*
    if ! valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file="$3" "$1" -j 1 --seed 1 "$2" \
        >/dev/null 2>"$scratch/valgrind.txt"; then
        cat "$scratch/valgrind.txt" >&2
        exit 1
    fi
    # Its notes wait for the end of the table, its failure does not.
    if ! awk -f "$top/bench/callgrind_phases.awk" "$3"-* >"$scratch/phases.txt" 2>>"$scratch/notes.txt"; then
        cat "$scratch/notes.txt" >&2
        exit 1
    fi
    awk '{ printf " |"; for (i = 1; i <= NF; i++) printf " %9s", $i == "-" ? "-" : sprintf("%.2f", $i / 1e6) }' \
        "$scratch/phases.txt"
}

if [ "$counted" = yes ]; then
    [ "$timed" = no ] || echo
    : >"$scratch/notes.txt"
    printf '%-20s %7s | %9s %9s %9s %9s %9s' "instructions, M" "file MB" total reading welding formatting rest
    [ -z "$other" ] || printf ' | %9s %9s %9s %9s %9s | %6s' "other" reading welding formatting rest ratio
    echo
    for size in 10k 100k; do
        path=$(model "$size" ptn-quads)
        progress "counting instructions on $(basename "$path") (callgrind)"
        printf '%-20s %7s' "$size ptn-quads" "$(stat -c %s "$path" | awk '{ printf "%.2f", $1 / 1048576 }')"
        count "$torvane" "$path" "$scratch/callgrind-$size.out"
        if [ -n "$other" ]; then
            now=$(cut -d' ' -f1 "$scratch/phases.txt")
            count "$other" "$path" "$scratch/callgrind-$size-other.out"
            printf ' | %6s' "$(ratio "$now" "$(cut -d' ' -f1 "$scratch/phases.txt")")"
        fi
        echo
    done
    echo "M = millions of instructions of one run; reading = the parser, welding = merging the"
    echo "warning and welding, formatting = WriteHeader, rest = process start, files and the"
    echo "rest (bench/callgrind_phases.awk)."
    [ -z "$other" ] || echo "ratio = torvane / other."
    [ ! -s "$scratch/notes.txt" ] || cat "$scratch/notes.txt" >&2
    [ "$keep" = no ] ||
        progress "profiles kept; where the instructions go:" \
            "awk -v detail=10 -f bench/callgrind_phases.awk $scratch/callgrind-100k.out-*"
fi

if [ "$phases" = yes ]; then
    progress "micro-benchmarks on the 1M model"
    TORVANE_BENCH_MODEL=$(model 1m ptn-quads) "$build/bench/phases_bench" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true
fi

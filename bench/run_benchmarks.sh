#!/bin/sh
# Times `torvane --seed 1 MODEL.obj` against tinyobjloader's load alone
# (bench/tinyobj_load.cpp) on generated tori, side by side in one run, and
# prints medians, peak memory and the ratios the performance goals are
# stated in. Then runs the per-phase micro-benchmarks on the 1M model.
#
#   bench/run_benchmarks.sh [-b BUILD_DIR] [-m MODEL_DIR] [-r RUNS] [-s "100k 1m 4m"]
#                           [-x OTHER_TORVANE] [-q]
#
# -x also times another torvane executable (an older build, say) in the same
# rotation, for before/after tables. -q skips the micro-benchmarks. Needs Google Benchmark (libbenchmark-dev),
# tinyobjloader (libtinyobjloader-dev) and GNU time (/usr/bin/time).
set -eu

top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-bench
models=${TMPDIR:-/tmp}/torvane-bench-models
runs=5
sizes="100k 1m 4m"
phases=yes
other=
while getopts b:m:r:s:x:q option; do
    case $option in
    b) build=$OPTARG ;;
    m) models=$OPTARG ;;
    r) runs=$OPTARG ;;
    s) sizes=$OPTARG ;;
    x) other=$OPTARG ;;
    q) phases=no ;;
    *) sed -n '2,15p' "$0" >&2; exit 2 ;;
    esac
done

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j2 --target torvane make_model tinyobj_load phases_bench >/dev/null
torvane=$build/src/torvane
tinyobj=$build/bench/tinyobj_load
mkdir -p "$models"

# rings x sides of each size; both forms have 2 * rings * sides triangles.
shape() {
    case $1 in
    100k) echo "--rings 500 --sides 100" ;;
    1m) echo "--rings 1000 --sides 500" ;;
    4m) echo "--rings 2000 --sides 1000" ;;
    *) echo "unknown size $1" >&2; exit 2 ;;
    esac
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Seconds (wall) and peak resident kilobytes of one run, from GNU time.
measure() {
    /usr/bin/time -f "%e %M" -o "$models/time.txt" "$@" >/dev/null
    cat "$models/time.txt"
}

printf '%-18s %8s | %9s %9s | %9s %9s | %8s %10s' model "file MB" "tinyobj s" "tiny MB" \
    "torvane s" "torv MB" "time x" "mem/file x"
[ -z "$other" ] || printf ' | %9s %9s' "other s" "other MB"
echo
for size in $sizes; do
    for form in ptn-quads pn-triangles; do
        model=$models/torus-$size-$form.obj
        [ -s "$model" ] || "$build/tools/make_model" $(shape "$size") --form "$form" >"$model"
        cat "$model" >/dev/null  # both read from the page cache
        : >"$models/tiny.txt"
        : >"$models/torv.txt"
        : >"$models/other.txt"
        run=0
        while [ "$run" -lt "$runs" ]; do
            measure "$tinyobj" "$model" >>"$models/tiny.txt"
            measure "$torvane" --seed 1 "$model" >>"$models/torv.txt"
            [ -z "$other" ] || measure "$other" --seed 1 "$model" >>"$models/other.txt"
            run=$((run + 1))
        done
        file_mb=$(stat -c %s "$model" | awk '{ printf "%.1f", $1 / 1048576 }')
        tiny_s=$(cut -d' ' -f1 "$models/tiny.txt" | median)
        tiny_mb=$(cut -d' ' -f2 "$models/tiny.txt" | median | awk '{ printf "%.1f", $1 / 1024 }')
        torv_s=$(cut -d' ' -f1 "$models/torv.txt" | median)
        torv_mb=$(cut -d' ' -f2 "$models/torv.txt" | median | awk '{ printf "%.1f", $1 / 1024 }')
        printf '%-18s %8s | %9s %9s | %9s %9s | %8s %10s' "$size $form" "$file_mb" "$tiny_s" "$tiny_mb" \
            "$torv_s" "$torv_mb" "$(echo "$torv_s $tiny_s" | awk '{ printf "%.2f", $1 / $2 }')" \
            "$(echo "$torv_mb $file_mb" | awk '{ printf "%.2f", $1 / $2 }')"
        [ -z "$other" ] || printf ' | %9s %9s' "$(cut -d' ' -f1 "$models/other.txt" | median)" \
            "$(cut -d' ' -f2 "$models/other.txt" | median | awk '{ printf "%.1f", $1 / 1024 }')"
        echo
    done
done
echo "medians of $runs runs each, alternating; time x = torvane / tinyobjloader (goal <= 0.25),"
echo "mem/file x = torvane peak / input size (goal <= 1.5)"

if [ "$phases" = yes ]; then
    model=$models/torus-1m-ptn-quads.obj
    [ -s "$model" ] || "$build/tools/make_model" $(shape 1m) >"$model"
    TORVANE_BENCH_MODEL=$model "$build/bench/phases_bench" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true
fi

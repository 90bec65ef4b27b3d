#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build/fuzz and runs
# them, a few at a time, each for a fixed wall time.
#
#   fuzz/run.sh [-t SECONDS] [-j JOBS] [-n] [TARGET...]
#     -t  seconds per target (default 900)
#     -j  targets run at once (default 2; one per core)
#     -n  do not build (the binaries are already there)
#   FUZZ_INPUT_TIMEOUT (default 10) is libFuzzer's -timeout: the wall seconds
#   one input may take before it counts as a hang. Under nice 19 beside busy
#   builds a fuzzer may get only a few percent of a core; raise it then.
#   fuzz/run.sh -m [TARGET...]
#     merges the inputs a run found into fuzz/corpus/<target>/, keeping only
#     those that reach code (edges) the corpus does not reach yet; hit counts
#     are not counted, which keeps the corpora small.
#
# The seed corpus fuzz/corpus/<target>/ is only read. New inputs go to
# build/fuzz/work/<target>/, crashes, leaks, timeouts and out-of-memory inputs
# to build/fuzz/artifacts/<target>/, libFuzzer's output to
# build/fuzz/logs/<target>.log. A summary line per target ends the run.
# Fuzzers run under nice 19 so that they only take otherwise idle time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=900
jobs=2
build_first=1
merge=0
while getopts "t:j:nm" opt; do
    case $opt in
        t) seconds=$OPTARG ;;
        j) jobs=$OPTARG ;;
        n) build_first=0 ;;
        m) merge=1; build_first=0 ;;
        *) sed -n '2,17p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for f in "$root"/fuzz/*.cpp; do
        name=$(basename "$f" .cpp)
        [[ $name == StandaloneFuzzRunner ]] || targets+=("$name")
    done
fi

if [[ $build_first -eq 1 ]]; then
    if [[ ! -f "$build/build.ninja" ]]; then
        launcher=()
        if command -v ccache >/dev/null; then
            launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DVELLORA_SANITIZE=ON -DVELLORA_FUZZ=ON -DVELLORA_TESTS=OFF \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
    fi
    cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

if [[ $merge -eq 1 ]]; then
    for t in "${targets[@]}"; do
        before=$(find "$root/fuzz/corpus/$t" -type f | wc -l)
        "$build/fuzz/fuzz_$t" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 \
            "$root/fuzz/corpus/$t" "$build/work/$t" >"$build/logs/$t.merge.log" 2>&1
        after=$(find "$root/fuzz/corpus/$t" -type f | wc -l)
        echo "$t: $before -> $after corpus entries"
    done
    exit 0
fi

run_one() {
    local t=$1 work="$build/work/$1" art="$build/artifacts/$1" log="$build/logs/$1.log"
    mkdir -p "$work" "$art" "$build/logs"
    local start end status=0 TIMEFORMAT='cpu_seconds: %0U'
    start=$(date +%s)
    # The processor time it got says how busy the machine was beside it.
    { time nice -n 19 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="$FUZZ_INPUT_TIMEOUT" -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$art/" "$work" "$root/fuzz/corpus/$t" >"$log" 2>&1; } \
        2>"$log.cpu" || status=$?
    end=$(date +%s)
    cat "$log.cpu" >>"$log"
    rm -f "$log.cpu"
    echo "wall_seconds: $((end - start)) exit: $status" >>"$log"
    summary "$t"
}

# One line per target from its log: wall time, executions, the last coverage
# figures, the inputs it added and what it found.
summary() {
    local t=$1 log="$build/logs/$1.log"
    local wall cpu execs cov ft found
    wall=$(sed -n 's/^wall_seconds: \([0-9]*\).*/\1/p' "$log" | tail -1)
    cpu=$(sed -n 's/^cpu_seconds: //p' "$log" | tail -1)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    found=$(find "$build/artifacts/$t" -type f -printf '%f ' 2>/dev/null)
    printf '%-16s %5ss (cpu %5ss) %10s execs  cov %5s  ft %6s  new %4s  %s\n' "$t" "${wall:-?}" "${cpu:-?}" "${execs:-?}" \
        "${cov:-?}" "${ft:-?}" "$(find "$build/work/$t" -type f | wc -l)" "${found:-no findings}"
}
export -f run_one summary
export build root seconds
export FUZZ_INPUT_TIMEOUT=${FUZZ_INPUT_TIMEOUT:-10}

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'

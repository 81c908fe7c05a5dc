#!/bin/bash
# scripts/fuzz.sh [SECONDS]
# Builds the libFuzzer targets of fuzz/ with clang (into $FUZZ_BUILD_DIR, default build-fuzz), runs
# every input kept in fuzz/regressions/<target>/, then fuzzes each target for SECONDS (default 30),
# starting from the seeds in fuzz/corpus/<target>/. New inputs collect in the build directory, so a
# later run goes on from there. Prints the executions per target; fails when any input crashes,
# leaks, trips a sanitizer or breaks a checked property (the input is then kept in the build
# directory as crash-*, leak-*, timeout-* or oom-*).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-build-fuzz}
mapfile -t targets <fuzz/targets.txt

cmake -S . -B "$build" -DBRIMO_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
# The settings target writes two small files per input: keep them in memory.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

failed=0
summary=()
for target in "${targets[@]}"; do
    binary="$build/fuzz/$target"
    work="$build/fuzz-work/$target"
    log="$build/fuzz-work/$target.log"
    mkdir -p "$work"
    options=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$build/$target-")
    asan_options=${ASAN_OPTIONS:-}
    case $target in
        # QSettings and the font engine cache what they parse, so nearly every input looks like a
        # leak to libFuzzer's per-input check, which then scans the heap each time; leaks are
        # still checked at exit and the RSS limit catches growth.
        fuzz_answer) options+=(-dict=fuzz/answer.dict) ;;
        fuzz_settings) options+=(-dict=fuzz/settings.dict -detect_leaks=0) ;;
        fuzz_label) options+=(-detect_leaks=0) ;;
    esac

    regressions=(fuzz/regressions/"$target"/*)
    if [ -e "${regressions[0]}" ] && ! ASAN_OPTIONS=$asan_options "$binary" "${options[@]}" "${regressions[@]}" >"$log" 2>&1; then
        echo "fuzz: $target FAILED on a kept regression input; see $log"
        tail -n 30 "$log"
        failed=$((failed + 1))
        summary+=("$target: regression FAILED")
        continue
    fi

    status=0
    ASAN_OPTIONS=$asan_options "$binary" "${options[@]}" -max_total_time="$seconds" "$work" "fuzz/corpus/$target" >"$log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)
    corpus=$(find "$work" -type f | wc -l)
    line="$target: ${runs:-?} executions in ${seconds} s ($(( ${runs:-0} / seconds ))/s), corpus $corpus, peak RSS ${rss:-?} MB"
    if [ $status -ne 0 ]; then
        echo "fuzz: $target FAILED (exit $status); see $log"
        grep -E 'ERROR|runtime error|check failed|SUMMARY|Test unit written' "$log" | head -n 20
        failed=$((failed + 1))
        line+=", FAILED"
    fi
    summary+=("$line")
done

echo "fuzz: executions per target ($(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')):"
for line in "${summary[@]}"; do echo "  $line"; done
if [ $failed -ne 0 ]; then
    echo "fuzz: $failed of ${#targets[@]} targets FAILED"
    exit 1
fi
echo "fuzz: all ${#targets[@]} targets passed"

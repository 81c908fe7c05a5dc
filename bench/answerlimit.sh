#!/bin/bash
# bench/answerlimit.sh: what one tile costs the panel's GUI thread while its device answers with
# 8 MiB every second, next to a healthy device (bench_answerlimit). Builds into build-bench, runs
# in a private network namespace and writes its own section of bench/RESULTS.md (between the
# answerlimit markers; bench/run.sh rewrites the file, so run this after it).
#
#   BENCH_RUNS      runs per device, each with a fresh simulator and tile (default 5)
#   BENCH_SECONDS   length of each measurement (default 20)
#   BENCH_BUILD_DIR build directory (default build-bench)
#   BENCH_RESULTS   the file to write the section into (default bench/RESULTS.md)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
build=${BENCH_BUILD_DIR:-$root/build-bench}
runs=${BENCH_RUNS:-5}
seconds=${BENCH_SECONDS:-20}
results=${BENCH_RESULTS:-$root/bench/RESULTS.md}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMO_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_answerlimit >/dev/null

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
output=$(QT_QPA_PLATFORM=offscreen "$root/tests/tools/netns-run" \
    "$build/bench/bench_answerlimit" "$runs" "$seconds" 2>/dev/null)
echo "$output"

section=$(
    echo "<!-- answerlimit -->"
    echo "## A device answering 8 MiB every second"
    echo
    echo "Written by \`bench/answerlimit.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC') (BENCH_RUNS=$runs, BENCH_SECONDS=$seconds)."
    echo "One tile polls a simulator once a second; the figure is the GUI thread's CPU time (its own"
    echo "clock, CLOCK_THREAD_CPUTIME_ID) per second of polling after a 3 s warm-up, median of the"
    echo "runs with (min-max). The tile reads at most 64 KiB of an answer and cuts the rest off;"
    echo "before it did, each 8 MiB answer held the GUI thread for 238-283 ms (chaos test at 084de29)."
    echo "The healthy device's values drift, so its tile refits labels: it costs more than the cut-off."
    echo
    echo "- Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(uname -sr)"
    echo "- Load average before / after: $load_before / $(cut -d' ' -f1-3 /proc/loadavg) (other builds and tests share the machine)"
    echo "- Revision: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- node 2>/dev/null || echo ' + local changes')"
    echo
    echo "| Device | GUI-thread CPU per second | Target |"
    echo "|---|---|---|"
    echo "$output" | awk '$1 ~ /^answerlimit\./ {
        split($1, key, "."); target = key[2] == "huge" ? "< 5 ms" : ""
        printf "| %s | %s %s (%s) | %s |\n", key[2] == "huge" ? "8 MiB answer" : "healthy", $2, $3, $4, target }'
    echo
    echo '```'
    echo "$output" | grep '^run '
    echo '```'
    echo "<!-- /answerlimit -->"
)

write_results_section answerlimit "$section" "$results"
echo "section written to $results"

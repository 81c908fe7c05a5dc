#!/bin/bash
# bench/run.sh: builds the benchmarks into build-bench (RelWithDebInfo) and runs them all inside a
# private network namespace (tests/tools/netns-run): the panel's setup dialog and the discovery
# model broadcast. Prints one line per figure ("key value unit") and writes bench/RESULTS.md.
#
#   BENCH_SECONDS   length of each steady-state measurement (default 60)
#   BENCH_WARMUP    seconds a panel runs before it is measured (default 5)
#   BENCH_STARTS    start-up runs (default 7)
#   BENCH_N         discovery size N (default 10000)
#   BENCH_BUILD_DIR build directory (default build-bench)
#   BENCH_RESULTS   where to write the results (default bench/RESULTS.md)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
build=${BENCH_BUILD_DIR:-$root/build-bench}
seconds=${BENCH_SECONDS:-60}
warmup=${BENCH_WARMUP:-5}
starts=${BENCH_STARTS:-7}
n=${BENCH_N:-10000}
results=${BENCH_RESULTS:-$root/bench/RESULTS.md}

# report: RESULTS.md from the figures and the header of the last run, each figure next to the one
# before the optimisations (bench/baseline.txt) and its target, then the notes (bench/NOTES.md).
report() {
    local baseline=$root/bench/baseline.txt key value unit before target holds
    local targets="steady.tiles9.cpu_load <= 1
steady.tiles9.rss_peak <= 60
steady.tiles9.rss_final <= 60
update.changed_repaint < 0.5
discovery.name.ratio <= 2.3
discovery.address.ratio <= 2.3
startup.median < 300"
    {
        cat "$build/bench-header.md"
        echo
        echo "| Figure | Before | Now | Target | Holds |"
        echo "|---|---|---|---|---|"
        while read -r key value unit; do
            before=
            [ -f "$baseline" ] && before=$(awk -v k="$key" '$1 == k {print $2}' "$baseline")
            target=$(echo "$targets" | awk -v k="$key" '$1 == k {print $2 " " $3}')
            holds=
            if [ -n "$target" ]; then
                holds=$(awk -v v="$value" -v op="${target% *}" -v t="${target#* }" 'BEGIN {
                    ok = (op == "<=") ? (v <= t) : (v < t); print ok ? "yes" : "**no**" }')
                target="$target $unit"
            fi
            echo "| $key | ${before:+$before $unit} | $value $unit | $target | $holds |"
        done <"$build/bench-figures.txt"
        echo
        if [ -f "$root/bench/NOTES.md" ]; then cat "$root/bench/NOTES.md"; fi
    } >"$results"
    echo "results in $results"
}

# bench/run.sh --report: writes RESULTS.md again from the last run's figures, measuring nothing
# (after the notes changed).
if [ "${1:-}" = --report ]; then
    report
    exit 0
fi

if [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMO_BENCH=ON >/dev/null
    cmake --build "$build" -j2 --target brimopanel brimo-devsim bench_update bench_discovery \
        bench_firstframe >/dev/null
    export BENCH_LOAD_BEFORE="$(cut -d' ' -f1-3 /proc/loadavg)"
    exec "$root/tests/tools/netns-run" bash "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

figures=$work/figures
: >"$figures"
# figure KEY VALUE UNIT: one line on stdout and in the results.
figure() {
    echo "$1 $2 $3"
    echo "$1 $2 $3" >>"$figures"
}

# --- Settings: nine tiles on the simulated devices, every label and all 48 colour keys per slot ---
tiles_config=$work/tiles
idle_config=$work/idle
mkdir -p "$idle_config"
hosts=()
for i in 0 1 2 3 4 5 6 7 8; do hosts+=("Bench $i [10.77.0.$((i + 2))]"); done
write_panel_ini "$tiles_config/Tovald GmbH/brimopanel.ini" "${hosts[@]}"

# --- Nine simulated devices (drifting values, so the tiles really change) ---
for i in 0 1 2 3 4 5 6 7 8; do
    ip netns exec devices "$build/tools/devsim/brimo-devsim" --name "Bench $i" \
        --mac "02:00:00:00:00:$(printf %02X $((i + 1)))" --seed $((i + 1)) \
        --address "10.77.0.$((i + 2))" --http-port 80 >/dev/null &
    pids+=($!)
done

# --- A 1920x1080 virtual screen with a window manager that grants full screen ---
start_virtual_screen

panel=$build/app/brimopanel
ticks=$(getconf CLK_TCK)
cputicks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
statuskb() { awk -v key="$2:" '$1 == key {print $2}' "/proc/$1/status"; }

# steady NAME CONFIG_DIR [-u VAR ...] [VAR=VALUE ...]: runs the panel, measures CPU and memory over $seconds.
steady() {
    local name=$1 config=$2
    shift 2
    env "$@" XDG_CONFIG_HOME="$config" "$panel" 2>"$work/$name.log" &
    local pid=$!
    sleep "$warmup"
    local cpu0 lines0 cpu1 lines1
    cpu0=$(cputicks $pid)
    lines0=$(wc -l <"$work/$name.log")
    sleep "$seconds"
    cpu1=$(cputicks $pid)
    lines1=$(wc -l <"$work/$name.log")
    local hwm rss
    hwm=$(statuskb $pid VmHWM)
    rss=$(statuskb $pid VmRSS)
    kill $pid
    wait $pid 2>/dev/null || true
    figure "steady.$name.cpu_per_min" "$(awk -v t=$((cpu1 - cpu0)) -v hz=$ticks -v s=$seconds \
        'BEGIN {printf "%.2f", t / hz * 60 / s}')" "s"
    figure "steady.$name.cpu_load" "$(awk -v t=$((cpu1 - cpu0)) -v hz=$ticks -v s=$seconds \
        'BEGIN {printf "%.2f", t / hz / s * 100}')" "%"
    figure "steady.$name.rss_peak" "$(awk -v k=$hwm 'BEGIN {printf "%.1f", k / 1024}')" "MB"
    figure "steady.$name.rss_final" "$(awk -v k=$rss 'BEGIN {printf "%.1f", k / 1024}')" "MB"
    figure "steady.$name.log_lines_per_s" "$(awk -v l=$((lines1 - lines0)) -v s=$seconds \
        'BEGIN {printf "%.1f", l / s}')" "1/s"
}

# 1. Steady state: as shipped (debug output to a file, no GL setting), with the window system's
#    GL integration loaded and switched off explicitly, with debug output off, and an idle panel.
steady tiles9 "$tiles_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
steady tiles9_glx "$tiles_config" -u QT_LOGGING_RULES QT_XCB_GL_INTEGRATION=xcb_glx
steady tiles9_nogl "$tiles_config" -u QT_LOGGING_RULES QT_XCB_GL_INTEGRATION=none
steady tiles9_quiet "$tiles_config" -u QT_XCB_GL_INTEGRATION QT_LOGGING_RULES='*.debug=false'
steady idle "$idle_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES

# 2. Start-up to the first frame: every tile's humidity value label (the centre of each tile)
#    shows its background colour.
points=()
for r in 0 1 2; do for c in 0 1 2; do points+=("$((320 + 640 * c)),$((180 + 360 * r))"); done; done
: >"$work/starts"
for _ in $(seq "$starts"); do
    XDG_CONFIG_HOME=$tiles_config "$build/bench/bench_firstframe" 101820 "${points[@]}" -- \
        env -u QT_XCB_GL_INTEGRATION "$panel" 2>/dev/null >>"$work/starts"
    sleep 0.5
done
sort -n "$work/starts" >"$work/starts.sorted"
figure startup.median "$(awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}' \
    "$work/starts.sorted")" "ms"
figure startup.min "$(head -n1 "$work/starts.sorted")" "ms"
figure startup.max "$(tail -n1 "$work/starts.sorted")" "ms"

# 3. The update path (Qt Test benchmarks, offscreen, median of 11 runs).
QT_QPA_PLATFORM=offscreen "$build/bench/bench_update" -median 11 -csv >"$work/update.csv" 2>/dev/null
update() {
    awk -F, -v f="\"$1\"" '$1 == f {printf "%.4f", $4}' "$work/update.csv"
}
for pair in parse:parseAnswer unchanged:answerUnchanged changed:answerChanged \
    changed_repaint:answerChangedRepaint changed_quiet:answerChangedQuiet fit:fitLabel; do
    figure "update.${pair%%:*}" "$(update "${pair#*:}")" "ms"
done

# 4. Discovery growth with the setup dialog (model, sort proxy, tree view) sorted by host name (the
#    default) and by address, by address with the debug lines written, and for comparison the
#    model with its proxy but no view, and the model alone.
discovery() {
    local key=$1
    shift
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_discovery" --n "$n" "$@" >"$work/disc" 2>/dev/null
    figure "discovery.$key.n" "$(awk 'NR == 1 {print $7}' "$work/disc")" "ms"
    figure "discovery.$key.2n" "$(awk 'NR == 2 {print $7}' "$work/disc")" "ms"
    figure "discovery.$key.ratio" "$(awk '/ratio/ {print $5}' "$work/disc")" "x"
}
discovery name --column 0
discovery address --column 1
discovery address_debug --column 1 --debug
discovery proxy_name --column 0 --proxy
discovery proxy_address --column 1 --proxy
discovery model_only --model

# --- RESULTS.md ---
{
    echo "# Benchmarks"
    echo
    echo "Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "- Command: \`bash bench/run.sh\` (BENCH_SECONDS=$seconds, BENCH_WARMUP=$warmup, BENCH_STARTS=$starts, BENCH_N=$n)"
    echo "- Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(free -m | awk '/^Mem:/ {print $2}') MB RAM, $(uname -sr)"
    echo "- Load average before / after the run: ${BENCH_LOAD_BEFORE:-?} / $(cut -d' ' -f1-3 /proc/loadavg) (other builds and tests share the machine)"
    echo "- Revision: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- node app discovery setup 2>/dev/null || echo ' + local changes')"
} >"$build/bench-header.md"
cp "$figures" "$build/bench-figures.txt"
report

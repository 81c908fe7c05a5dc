#!/bin/bash
# bench/run.sh: builds the benchmarks into build-bench (RelWithDebInfo) and runs them all inside a
# private network namespace (tests/tools/netns-run): the panel's setup dialog and the discovery
# model broadcast. Prints one line per figure ("key value unit [min-max]") and writes
# bench/RESULTS.md.
#
#   BENCH_SECONDS   length of each steady-state measurement (default 60)
#   BENCH_WARMUP    seconds a panel runs before it is measured (default 5)
#   BENCH_RUNS      steady-state runs per workload, each with a freshly started panel (default 5)
#   BENCH_VARIANTS  1: also the busy workload against devices that keep the connection open and
#                   against devices whose values never change (as many runs), and one run each of
#                   the logging and GL variants (default 0)
#   BENCH_STARTS    start-up runs (default 7)
#   BENCH_N         discovery size N (default 10000)
#   BENCH_PARTS     which parts to run (default "steady startup update discovery trends 4k"); the
#                   4k part writes a section of its own in the results, so run alone it leaves the
#                   figures of the others as they are
#   BENCH_BUILD_DIR build directory (default build-bench)
#   BENCH_RESULTS   where to write the results (default bench/RESULTS.md)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
build=${BENCH_BUILD_DIR:-$root/build-bench}
seconds=${BENCH_SECONDS:-60}
warmup=${BENCH_WARMUP:-5}
runs=${BENCH_RUNS:-5}
variants=${BENCH_VARIANTS:-0}
starts=${BENCH_STARTS:-7}
parts=${BENCH_PARTS:-steady startup update discovery trends 4k}
n=${BENCH_N:-10000}
results=${BENCH_RESULTS:-$root/bench/RESULTS.md}

# report: RESULTS.md from the figures and the header of the last run, each figure next to the one
# before the optimisations (bench/baseline.txt, figures in the same format) and its target, then
# the per-run log of the steady state and the notes (bench/NOTES.md). Sections that other scripts
# keep in the file between "<!-- name -->" and "<!-- /name -->" lines stay at its end.
report() {
    local baseline=$root/bench/baseline.txt key value unit range before target holds kept=
    if [ -f "$results" ]; then
        kept=$(awk '/^<!-- [a-z0-9_-]+ -->$/ {keep = 1} keep {print} /^<!-- \/[a-z0-9_-]+ -->$/ {keep = 0}' \
            "$results")
    fi
    local targets="steady.busy.cpu_load <= 0.6
steady.busy.cpu_load_max <= 0.8
steady.drift.cpu_load <= 0.4
steady.busy.rss_peak <= 40
steady.drift.rss_peak <= 40
update.changed_repaint < 0.5
discovery.name.ratio <= 2.3
discovery.address.ratio <= 2.3
startup.median < 100
trends.cpu_ratio <= 1.1
trends.rss_peak_diff <= 2"
    {
        cat "$build/bench-header.md"
        echo
        echo "Steady-state figures: median of the runs, (min-max) after it."
        echo
        echo "| Figure | Before | Now | Target | Holds |"
        echo "|---|---|---|---|---|"
        while read -r key value unit range; do
            before=
            [ -f "$baseline" ] && before=$(awk -v k="$key" '$1 == k {
                printf "%s %s", $2, $3; if ($4 != "") printf " (%s)", $4 }' "$baseline")
            target=$(echo "$targets" | awk -v k="$key" '$1 == k {print $2 " " $3}')
            holds=
            if [ -n "$target" ]; then
                holds=$(awk -v v="$value" -v op="${target% *}" -v t="${target#* }" 'BEGIN {
                    ok = (op == "<=") ? (v <= t) : (v < t); print ok ? "yes" : "**no**" }')
                target="$target $unit"
            fi
            echo "| $key | $before | $value $unit${range:+ ($range)} | $target | $holds |"
        done <"$build/bench-figures.txt"
        if [ -s "$build/bench-runs.txt" ]; then
            echo
            echo "Steady-state runs in the order taken (CPU over the window as % of one core; load: the"
            echo "machine's one-minute load average at the start of the window):"
            echo
            echo '```'
            cat "$build/bench-runs.txt"
            echo '```'
        fi
        echo
        if [ -f "$root/bench/NOTES.md" ]; then cat "$root/bench/NOTES.md"; fi
        if [ -n "$kept" ]; then printf '\n%s\n' "$kept"; fi
    } >"$results.new"
    mv "$results.new" "$results"
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
    BENCH_LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
    export BENCH_LOAD_BEFORE
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
# figure KEY VALUE UNIT [MIN-MAX]: one line on stdout and in the results.
figure() {
    echo "$1 $2 $3${4:+ $4}"
    echo "$1 $2 $3${4:+ $4}" >>"$figures"
}

# --- Settings: nine tiles, all six labels on, display sizes 1/3/1, all 48 colour keys per slot ---
# The slow-drift devices listen on port 80, the busy ones on port 81 of the same addresses, busy
# ones that keep the connection open on port 82 and ones whose values never change on port 83.
drift_config=$work/drift
busy_config=$work/busy
keepalive_config=$work/keepalive
static_config=$work/static
idle_config=$work/idle
mkdir -p "$idle_config"
drift_hosts=()
busy_hosts=()
keepalive_hosts=()
static_hosts=()
for i in 0 1 2 3 4 5 6 7 8; do
    drift_hosts+=("Bench $i [10.77.0.$((i + 2))]")
    busy_hosts+=("Bench $i [10.77.0.$((i + 2)):81]")
    keepalive_hosts+=("Bench $i [10.77.0.$((i + 2)):82]")
    static_hosts+=("Bench $i [10.77.0.$((i + 2)):83]")
done
write_panel_ini "$drift_config/Tovald GmbH/brimopanel.ini" "${drift_hosts[@]}"
write_panel_ini "$busy_config/Tovald GmbH/brimopanel.ini" "${busy_hosts[@]}"
write_panel_ini "$keepalive_config/Tovald GmbH/brimopanel.ini" "${keepalive_hosts[@]}"
write_panel_ini "$static_config/Tovald GmbH/brimopanel.ini" "${static_hosts[@]}"
# The busy workload with trends: ShowHistory and both history bits of every slot.
trends_config=$work/trends
PANEL_GENERAL='ShowHistory=true\n' PANEL_HISTORY=1 \
    write_panel_ini "$trends_config/Tovald GmbH/brimopanel.ini" "${busy_hosts[@]}"

# --- Nine simulated devices four times: values drifting slowly (they answer discovery), every value
#     text new on every poll, the same keeping the connection open, and values that never change ---
for i in 0 1 2 3 4 5 6 7 8; do
    for port in 80 81 82 83; do
        options=()
        [ $port != 80 ] && options=(--drift-every-poll --no-discovery)
        [ $port = 82 ] && options+=(--keep-alive)
        [ $port = 83 ] && options=(--no-drift --no-discovery)
        ip netns exec devices "$build/tools/devsim/brimo-devsim" --name "Bench $i" \
            --mac "02:00:00:00:00:$(printf %02X $((i + 1)))" --seed $((i + 1)) \
            --address "10.77.0.$((i + 2))" --http-port $port "${options[@]}" >/dev/null &
        pids+=($!)
    done
done

# --- A 1920x1080 virtual screen with a window manager that grants full screen ---
start_virtual_screen
xserver=${pids[${#pids[@]} - 2]}

panel=$build/app/brimopanel
ticks=$(getconf CLK_TCK)
cputicks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
statuskb() { awk -v key="$2:" '$1 == key {print $2}' "/proc/$1/status"; }
median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
: >"$work/runs"

# measure NAME CONFIG_DIR [-u VAR ...] [VAR=VALUE ...]: starts a panel, lets it warm up, then
# measures its CPU and the X server's over $seconds by the kernel's precise run time
# (perf's task-clock, all threads, those that start or end in the window included; the 10 ms tick
# counters of /proc/PID/stat cannot resolve loads this small), and its memory. Appends one line
# "name panel_% x_% rss_peak_MB rss_final_MB log_lines_per_s switches_per_s load1 ticks_%" to
# $work/NAME.runs; ticks_% is the same window by the 10 ms tick counters (utime + stime), for
# comparison only.
measure() {
    local name=$1 config=$2
    shift 2
    env "$@" XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config/data" "$panel" 2>"$work/$name.log" &
    local pid=$!
    sleep "$warmup"
    local load lines0 lines1 hwm rss ticks0 ticks1
    load=$(cut -d' ' -f1 /proc/loadavg)
    lines0=$(wc -l <"$work/$name.log")
    ticks0=$(cputicks $pid)
    perf stat -x, -e task-clock,context-switches -p "$xserver" -o "$work/x.perf" &
    local xperf=$!
    perf stat -x, -e task-clock,context-switches -p "$pid" -o "$work/panel.perf" -- sleep "$seconds"
    kill -INT $xperf
    wait $xperf 2>/dev/null || true
    lines1=$(wc -l <"$work/$name.log")
    ticks1=$(cputicks $pid)
    hwm=$(statuskb $pid VmHWM)
    rss=$(statuskb $pid VmRSS)
    kill $pid
    wait $pid 2>/dev/null || true
    local ms xms switches
    ms=$(awk -F, '$3 == "task-clock" {print $1}' "$work/panel.perf")
    switches=$(awk -F, '$3 == "context-switches" {print $1}' "$work/panel.perf")
    xms=$(awk -F, '$3 == "task-clock" {print $1}' "$work/x.perf")
    echo "$name $(awk -v ms="$ms" -v x="$xms" -v s="$seconds" -v h="$hwm" -v r="$rss" \
        -v l=$((lines1 - lines0)) -v cs="$switches" -v load="$load" -v t=$((ticks1 - ticks0)) \
        -v hz="$ticks" 'BEGIN {
        printf "%.3f %.3f %.1f %.1f %.1f %.1f %s %.2f", ms / s / 10, x / s / 10, h / 1024, r / 1024,
            l / s, cs / s, load, t / hz / s * 100 }')" >>"$work/$name.runs"
    tail -n1 "$work/$name.runs" | awk '{printf "%-15s panel %.3f %% (ticks %s %%)  X %.3f %%  switches %s/s  load %s\n",
        $1, $2, $9, $3, $7, $8}' | tee -a "$work/runs"
}

# steady NAME: the figures of the runs of NAME: median with min-max.
steady() {
    local name=$1 column key unit values
    for column in 2:cpu_load:% 3:x_cpu_load:% 4:rss_peak:MB 5:rss_final:MB 6:log_lines_per_s:1/s \
        7:switches_per_s:1/s 9:ticks_cpu_load:%; do
        IFS=: read -r column key unit <<<"$column"
        values=$(awk -v c="$column" '{print $c}' "$work/$name.runs" | sort -n)
        figure "steady.$name.$key" "$(median <<<"$values")" "$unit" \
            "$(head -n1 <<<"$values")-$(tail -n1 <<<"$values")"
    done
    values=$(awk '{print $2}' "$work/$name.runs" | sort -n)
    figure "steady.$name.cpu_load_max" "$(tail -n1 <<<"$values")" "%"
}

# 1. Steady state, as shipped (debug output to a file, no GL setting): the busy and the slow-drift
#    workload (and on request the busy one against keep-alive devices) taken in turns, so that the
#    machine's load falls on all alike; then the idle panel (no tiles, its setup dialog opened by
#    itself, which broadcasts once) and, on request, one run each with debug output off and with
#    the window system's GL integration loaded.
if [[ " $parts " = *" steady "* ]]; then
    for _ in $(seq "$runs"); do
        measure busy "$busy_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
        measure drift "$drift_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
        if [ "$variants" = 1 ]; then
            measure busy_keepalive "$keepalive_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
            measure static "$static_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
        fi
    done
    measure idle "$idle_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
    if [ "$variants" = 1 ]; then
        measure busy_quiet "$busy_config" -u QT_XCB_GL_INTEGRATION QT_LOGGING_RULES='*.debug=false'
        measure busy_glx "$busy_config" -u QT_LOGGING_RULES QT_XCB_GL_INTEGRATION=xcb_glx
    fi
    for name in busy drift busy_keepalive static idle busy_quiet busy_glx; do
        if [ -f "$work/$name.runs" ]; then steady $name; fi
    done
fi

# 2. Start-up to the first frame: every tile's humidity value label (the centre of each tile)
#    shows its background colour.
if [[ " $parts " = *" startup "* ]]; then
    points=()
    for r in 0 1 2; do for c in 0 1 2; do points+=("$((320 + 640 * c)),$((180 + 360 * r))"); done; done
    : >"$work/starts"
    for _ in $(seq "$starts"); do
        XDG_CONFIG_HOME=$drift_config "$build/bench/bench_firstframe" 101820 "${points[@]}" -- \
            env -u QT_XCB_GL_INTEGRATION "$panel" 2>/dev/null >>"$work/starts"
        sleep 0.5
    done
    sort -n "$work/starts" >"$work/starts.sorted"
    figure startup.median "$(awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}' \
        "$work/starts.sorted")" "ms"
    figure startup.min "$(head -n1 "$work/starts.sorted")" "ms"
    figure startup.max "$(tail -n1 "$work/starts.sorted")" "ms"
fi

# 3. The update path (Qt Test benchmarks, offscreen, median of 11 runs).
if [[ " $parts " = *" update "* ]]; then
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_update" -median 11 -csv >"$work/update.csv" 2>/dev/null
    update() {
        awk -F, -v f="\"$1\"" '$1 == f {printf "%.4f", $4}' "$work/update.csv"
    }
    for pair in parse:parseAnswer unchanged:answerUnchanged changed:answerChanged \
        changed_repaint:answerChangedRepaint changed_quiet:answerChangedQuiet fit:fitLabel; do
        figure "update.${pair%%:*}" "$(update "${pair#*:}")" "ms"
    done
fi

# 4. Discovery growth with the setup dialog (model, sort proxy, tree view) sorted by host name (the
#    default) and by address, by address with the debug lines written, and for comparison the
#    model with its proxy but no view, and the model alone.
if [[ " $parts " = *" discovery "* ]]; then
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
fi

# 5. Trends: the busy workload without trends (as shipped) and with them, in turns; with trends at
#    the configured ten minutes a sample (no sample falls into a window: the cost of having them)
#    and at one sample a second (every trend repainted every second: far more than ever in use).
if [[ " $parts " = *" trends "* ]]; then
    for _ in $(seq "$runs"); do
        measure trends_off "$busy_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
        measure trends_on "$trends_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES
        measure trends_1s "$trends_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES \
            BRIMO_HISTORY_INTERVAL_MS=1000
    done
    for name in trends_off trends_on trends_1s; do steady $name; done
    of() { awk -v k="steady.$1.$2" '$1 == k {print $2}' "$figures"; }
    figure trends.cpu_ratio "$(awk -v a="$(of trends_on cpu_load)" -v b="$(of trends_off cpu_load)" \
        'BEGIN {printf "%.3f", a / b}')" "x"
    figure trends.cpu_ratio_1s "$(awk -v a="$(of trends_1s cpu_load)" -v b="$(of trends_off cpu_load)" \
        'BEGIN {printf "%.3f", a / b}')" "x"
    figure trends.rss_peak_diff "$(awk -v a="$(of trends_on rss_peak)" -v b="$(of trends_off rss_peak)" \
        'BEGIN {printf "%.1f", a - b}')" "MB"
fi

# 6. 4K: the busy workload on a 3840x2160 virtual screen of its own and on the 1920x1080 one, in
#    turns in the same run (the load of the shared machine falls on both alike), each with its own
#    X server measured. The figures go to a section of their own at the end of the results.
if [[ " $parts " = *" 4k "* ]]; then
    screen_1080p=$DISPLAY
    xserver_1080p=$xserver
    SCREEN_SIZE=3840x2160 start_virtual_screen
    screen_4k=$DISPLAY
    xserver_4k=${pids[${#pids[@]} - 2]}
    export DISPLAY=$screen_1080p
    for _ in $(seq "$runs"); do
        xserver=$xserver_1080p
        measure busy_1080p "$busy_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES \
            DISPLAY="$screen_1080p"
        xserver=$xserver_4k
        measure busy_4k "$busy_config" -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES \
            DISPLAY="$screen_4k"
    done
    xserver=$xserver_1080p
    table_figures=$figures
    figures=$work/4k.figures
    : >"$figures"
    steady busy_1080p
    steady busy_4k
    of() { awk -v k="steady.$1.$2" '$1 == k {print $2}' "$figures"; }
    figure 4k.cpu_ratio "$(awk -v a="$(of busy_4k cpu_load)" -v b="$(of busy_1080p cpu_load)" \
        'BEGIN {printf "%.2f", a / b}')" "x"
    figure 4k.x_cpu_ratio "$(awk -v a="$(of busy_4k x_cpu_load)" -v b="$(of busy_1080p x_cpu_load)" \
        'BEGIN {printf "%.2f", a / b}')" "x"
    figure 4k.rss_peak_diff "$(awk -v a="$(of busy_4k rss_peak)" -v b="$(of busy_1080p rss_peak)" \
        'BEGIN {printf "%.1f", a - b}')" "MB"
    figures=$table_figures
    row() { awk -v k="$1" '$1 == k {printf "%s %s", $2, $3; if ($4 != "") printf " (%s)", $4}' \
        "$work/4k.figures"; }
    ratio_holds=$(awk -v r="$(awk '$1 == "4k.cpu_ratio" {print $2}' "$work/4k.figures")" \
        'BEGIN {print (r <= 1.5) ? "yes" : "**no**"}')
    section=$(
        echo "<!-- 4k -->"
        echo "## 4K: the busy workload at 3840 × 2160 beside 1920 × 1080"
        echo
        echo "Written by \`bench/run.sh\` (part \`4k\`) on $(date -u '+%Y-%m-%d %H:%M UTC') (BENCH_RUNS=$runs, BENCH_SECONDS=$seconds, BENCH_WARMUP=$warmup)."
        echo "The busy workload of the steady part (nine tiles, every value text new on every poll) on two"
        echo "virtual screens at once, each an Xvfb with its own matchbox window manager: the panel is"
        echo "started afresh for every run and the two sizes take turns, so that the shared machine's"
        echo "load falls on both alike and the ratio compares like with like. CPU is the kernel's precise"
        echo "run time of all the panel's threads over the window (\`perf stat -e task-clock\`), as % of"
        echo "one core, and the X server's apart; memory is VmHWM (peak) and VmRSS (end of the window)."
        echo "The panel draws the same at both sizes: its labels fit their font to the larger cells."
        echo
        echo "- Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(free -m | awk '/^Mem:/ {print $2}') MB RAM, $(uname -sr); other helpers' builds and tests ran at the same time"
        echo "- Load average before / after the run: ${BENCH_LOAD_BEFORE:-?} / $(cut -d' ' -f1-3 /proc/loadavg)"
        echo "- Revision: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- node app discovery setup 2>/dev/null || echo ' + local changes')"
        echo
        echo "Median of the runs, (min-max) after it; the ratios are those of the medians."
        echo
        echo "| Figure | 1920 × 1080 | 3840 × 2160 | 4K / 1080p | Target |"
        echo "|---|---|---|---|---|"
        echo "| Panel CPU | $(row steady.busy_1080p.cpu_load) | $(row steady.busy_4k.cpu_load) | $(row 4k.cpu_ratio) | ≤ 1.5 x: $ratio_holds |"
        echo "| X server CPU | $(row steady.busy_1080p.x_cpu_load) | $(row steady.busy_4k.x_cpu_load) | $(row 4k.x_cpu_ratio) | |"
        echo "| Peak resident memory | $(row steady.busy_1080p.rss_peak) | $(row steady.busy_4k.rss_peak) | +$(row 4k.rss_peak_diff) | |"
        echo "| Resident memory at the end | $(row steady.busy_1080p.rss_final) | $(row steady.busy_4k.rss_final) | | |"
        echo "| Context switches | $(row steady.busy_1080p.switches_per_s) | $(row steady.busy_4k.switches_per_s) | | |"
        echo
        echo "Runs in the order taken (load: the one-minute load average when the window opened):"
        echo
        echo '```'
        grep -E '^busy_(1080p|4k) ' "$work/runs"
        echo '```'
        if [ -f "$root/bench/4K.md" ]; then echo; cat "$root/bench/4K.md"; fi
        echo "<!-- /4k -->"
    )
    write_results_section 4k "$section" "$results"
fi

# --- RESULTS.md (the 4k part alone leaves the table as it is) ---
if [ ! -s "$figures" ]; then
    echo "results in $results"
    exit 0
fi
{
    echo "# Benchmarks"
    echo
    echo "Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "- Command: \`bash bench/run.sh\` (BENCH_SECONDS=$seconds, BENCH_WARMUP=$warmup, BENCH_RUNS=$runs, BENCH_VARIANTS=$variants, BENCH_STARTS=$starts, BENCH_N=$n, BENCH_PARTS=\"$parts\")"
    echo "- Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(free -m | awk '/^Mem:/ {print $2}') MB RAM, $(uname -sr)"
    echo "- Load average before / after the run: ${BENCH_LOAD_BEFORE:-?} / $(cut -d' ' -f1-3 /proc/loadavg) (other builds and tests share the machine)"
    echo "- Revision: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- node app discovery setup 2>/dev/null || echo ' + local changes')"
} >"$build/bench-header.md"
cp "$figures" "$build/bench-figures.txt"
cp "$work/runs" "$build/bench-runs.txt"
report

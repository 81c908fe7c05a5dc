#!/bin/bash
# bench/browser.sh: the panel next to a browser kiosk page that shows the same nine devices
# (bench/browser-page.html in Chromium), in one run: both on the same Xvfb 1920x1080 with the
# matchbox window manager, both against the busy workload of bench/run.sh (nine brimo-devsim
# devices whose every value text changes on every poll), taken in turns. CPU over a window after a
# warm-up is the kernel's precise run time of everything the subject runs (its own cgroup's
# usage_usec), the X server's by perf's task-clock; memory is the PSS summed over its processes.
# Runs in a private network namespace (tests/tools/netns-run) and writes its own section of
# bench/RESULTS.md (between the browser markers; bench/run.sh keeps it).
#
#   BENCH_RUNS      runs of each, alternating, each with a fresh panel or browser (default 5)
#   BENCH_SECONDS   length of each measurement window (default 60)
#   BENCH_WARMUP    seconds each runs before its window opens (default 15)
#   BENCH_BUILD_DIR build directory (default build-bench)
#   BENCH_RESULTS   the file to write the section into (default bench/RESULTS.md)
#   BENCH_SCREENSHOT if set, a PNG of the screen at the end of the last browser window
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
build=${BENCH_BUILD_DIR:-$root/build-bench}
runs=${BENCH_RUNS:-5}
seconds=${BENCH_SECONDS:-60}
warmup=${BENCH_WARMUP:-15}
results=${BENCH_RESULTS:-$root/bench/RESULTS.md}
chromium=/usr/lib/chromium/chromium # the program itself: Debian's wrapper adds flags of its own

if [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    bash "$root/scripts/deps.sh" chromium linux-perf
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMO_BENCH=ON >/dev/null
    cmake --build "$build" -j2 --target brimopanel brimo-devsim >/dev/null
    BENCH_LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
    export BENCH_LOAD_BEFORE
    exec "$root/tests/tools/netns-run" bash "$0" "$@"
fi

# Whatever runs in this cgroup is measured: its usage_usec is the run time of all its processes,
# those that start or end within the window included.
cgroup=$(findmnt -n -t cgroup2 -o TARGET | head -n1)
[ -n "$cgroup" ] || { echo "browser.sh: needs a cgroup2 hierarchy mounted" >&2; exit 1; }
cgroup+=/brimo-browser-bench.$$
mkdir "$cgroup"
work=$(mktemp -d)
pids=()
# stop_subject: ends what runs in the cgroup, its first process politely (Chromium then closes its
# profile), whatever is left after 10 s by force.
subject=
stop_subject() {
    local pid
    [ -z "$subject" ] || kill "$subject" 2>/dev/null || true
    for _ in $(seq 100); do [ -s "$cgroup/cgroup.procs" ] || return 0; sleep 0.1; done
    while read -r pid; do kill -KILL "$pid" 2>/dev/null || true; done <"$cgroup/cgroup.procs"
    for _ in $(seq 50); do [ -s "$cgroup/cgroup.procs" ] || return 0; sleep 0.1; done
}
cleanup() {
    stop_subject
    rmdir "$cgroup" 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# --- The busy workload of bench/run.sh: nine devices on port 81, a panel with nine tiles ---
hosts=()
addresses=
for i in 0 1 2 3 4 5 6 7 8; do
    address=10.77.0.$((i + 2)):81
    ip netns exec devices "$build/tools/devsim/brimo-devsim" --name "Bench $i" \
        --mac "02:00:00:00:00:$(printf %02X $((i + 1)))" --seed $((i + 1)) \
        --address "10.77.0.$((i + 2))" --http-port 81 --drift-every-poll --no-discovery >/dev/null &
    pids+=($!)
    hosts+=("Bench $i [$address]")
    addresses+=${addresses:+,}$address
done
write_panel_ini "$work/config/Tovald GmbH/brimopanel.ini" "${hosts[@]}"
start_virtual_screen
xserver=${pids[${#pids[@]} - 2]}

# --- Chromium as a kiosk would run it; root needs --no-sandbox, a page from file:// reading
#     the devices needs web security off. No GPU: software compositing and raster. Nothing of
#     its own on the network (the namespace has no route out anyway). ---
page="file://$root/bench/browser-page.html?hosts=$addresses"
flags=(--kiosk --no-sandbox --disable-web-security "--user-data-dir=$work/profile" --disable-gpu
       --no-first-run --no-default-browser-check --disable-background-networking
       --disable-component-update --disable-sync --disable-extensions --disable-default-apps
       --disable-domain-reliability --disable-client-side-phishing-detection --disable-breakpad
       --no-pings --metrics-recording-only --password-store=basic --noerrdialogs
       "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication")
mkdir -p "$work/home"

# start_subject KIND: the panel or the browser in the cgroup, in the background.
start_subject() {
    if [ "$1" = panel ]; then
        (echo "$BASHPID" >"$cgroup/cgroup.procs"
         exec env -u QT_XCB_GL_INTEGRATION -u QT_LOGGING_RULES XDG_CONFIG_HOME="$work/config" \
             XDG_DATA_HOME="$work/config/data" "$build/app/brimopanel" 2>>"$work/panel.log") &
    else
        (echo "$BASHPID" >"$cgroup/cgroup.procs"
         exec env HOME="$work/home" "$chromium" "${flags[@]}" "$page" >>"$work/browser.log" 2>&1) &
    fi
    subject=$!
}

usage_us() { awk '$1 == "usage_usec" {print $2}' "$cgroup/cpu.stat"; }
# snmp PROTOCOL FIELD: a counter of this namespace's /proc/net/snmp.
snmp() {
    awk -v p="$1:" -v f="$2" '$1 == p { if (!n) { for (i = 2; i <= NF; i++) c[$i] = i; n = 1 }
        else print $c[f] }' /proc/net/snmp
}
# memory_kb FIELD: the field of smaps_rollup (Pss, Rss) summed over the cgroup's processes.
memory_kb() {
    local pid sum=0 kb
    while read -r pid; do
        kb=$(awk -v f="$1:" '$1 == f {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || true)
        sum=$((sum + ${kb:-0}))
    done <"$cgroup/cgroup.procs"
    echo $sum
}

# process_kinds: the kinds of Chromium's processes in the cgroup ("renderer", "utility
# network.mojom.NetworkService", ...), with their numbers (a child's command line is one string).
process_kinds() {
    local pid
    while read -r pid; do
        tr '\0 ' '\n' <"/proc/$pid/cmdline" 2>/dev/null |
            awk -F= -v name="$(cat "/proc/$pid/comm" 2>/dev/null)" '$1 == "--type" {t = $2}
                $1 == "--utility-sub-type" {s = " " $2} END {print (t == "" ? name : t) s}'
    done <"$cgroup/cgroup.procs" | sort | uniq -c |
        awk '{n = $1; $1 = ""; printf "%s%s ×%d", sep, substr($0, 2), n; sep = ", "}'
}

# measure KIND: starts the panel or the browser, lets it warm up, measures over $seconds and
# appends "KIND cpu_% x_cpu_% pss_MB rss_MB processes_start-end tcp_opens/s udp_out/s log_lines/s
# load1" to $work/runs (CPU as % of one core; load: the one-minute load average as the window
# opens).
measure() {
    local kind=$1 load procs0 procs1 cpu0 cpu1 t0 t1 tcp0 tcp1 udp0 udp1 lines0 lines1 pss rss xms
    start_subject "$kind"
    sleep "$warmup"
    load=$(cut -d' ' -f1 /proc/loadavg)
    procs0=$(wc -l <"$cgroup/cgroup.procs")
    if [ "$procs0" = 0 ]; then
        echo "browser.sh: the $kind did not keep running; its output:" >&2
        tail -n 20 "$work/$kind.log" >&2
        exit 1
    fi
    tcp0=$(snmp Tcp ActiveOpens)
    udp0=$(snmp Udp OutDatagrams)
    lines0=$(wc -l <"$work/$kind.log")
    t0=$(date +%s%N)
    cpu0=$(usage_us)
    perf stat -x, -e task-clock -p "$xserver" -o "$work/x.perf" -- sleep "$seconds"
    cpu1=$(usage_us)
    t1=$(date +%s%N)
    tcp1=$(snmp Tcp ActiveOpens)
    udp1=$(snmp Udp OutDatagrams)
    lines1=$(wc -l <"$work/$kind.log")
    procs1=$(wc -l <"$cgroup/cgroup.procs")
    pss=$(memory_kb Pss)
    rss=$(memory_kb Rss)
    if [ "$kind" = browser ]; then
        [ -z "${BENCH_SCREENSHOT:-}" ] || xwd -root -silent | convert xwd:- "$BENCH_SCREENSHOT"
        process_kinds >"$work/kinds"
    fi
    stop_subject
    wait "$subject" 2>/dev/null || true
    subject=
    xms=$(awk -F, '$3 == "task-clock" {print $1}' "$work/x.perf")
    awk -v k="$kind" -v us=$((cpu1 - cpu0)) -v ns=$((t1 - t0)) -v x="$xms" -v pss="$pss" \
        -v rss="$rss" -v p="$procs0-$procs1" -v tcp=$((tcp1 - tcp0)) -v udp=$((udp1 - udp0)) \
        -v l=$((lines1 - lines0)) -v load="$load" 'BEGIN { s = ns / 1e9
        printf "%-8s cpu %.3f %%  X %.3f %%  pss %.1f MB  rss %.1f MB  processes %s  tcp %.1f/s  udp %.1f/s  log %.1f/s  load %s\n",
            k, us / 1e4 / s, x / 10 / s, pss / 1024, rss / 1024, p, tcp / s, udp / s, l / s, load }' |
        tee -a "$work/runs"
}

# One start that is not measured: Chromium makes its profile, so that every measured start finds
# one, as a kiosk does after its first day.
start_subject browser
sleep "$warmup"
stop_subject
wait "$subject" 2>/dev/null || true
for _ in $(seq "$runs"); do
    measure panel
    measure browser
done

# values KIND FIELD: the numbers after the word FIELD in KIND's runs, sorted.
values() {
    awk -v k="$1" -v f="$2" '$1 == k { for (i = 2; i < NF; i++) if ($i == f) print $(i + 1) + 0 }' \
        "$work/runs" | sort -g
}
median() { values "$@" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# summary KIND FIELD UNIT: "median UNIT (min-max)".
summary() { echo "$(median "$1" "$2") $3 ($(values "$1" "$2" | head -n1)-$(values "$1" "$2" | tail -n1))"; }
# ratio FIELD...: browser / panel of the sum of the fields' medians.
ratio() {
    local field browser=0 panel=0
    for field in "$@"; do
        browser=$(awk -v a="$browser" -v b="$(median browser "$field")" 'BEGIN {print a + b}')
        panel=$(awk -v a="$panel" -v b="$(median panel "$field")" 'BEGIN {print a + b}')
    done
    awk -v a="$browser" -v b="$panel" 'BEGIN { printf "%.1f x", a / b }'
}

version=$("$chromium" --version 2>/dev/null | awk 'NR == 1 {print $1, $2}')
section=$(
    echo "<!-- browser -->"
    echo "## The panel next to a browser kiosk page"
    echo
    echo "Written by \`bench/browser.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC') (BENCH_RUNS=$runs, BENCH_SECONDS=$seconds, BENCH_WARMUP=$warmup)."
    echo "The real panel and a browser page that does the same take turns, each started afresh for"
    echo "every run, on one Xvfb 1920×1080 with the matchbox window manager, against the busy workload"
    echo "of \`bench/run.sh\` (nine \`brimo-devsim\` devices in the private namespace, every value text"
    echo "new on every poll; the panel with nine tiles, configured as there)."
    echo
    echo "- The page, \`bench/browser-page.html\` (plain HTML, CSS and script): nine tiles of"
    echo "  temperature, humidity and dew point, value text filling most of its cell, the unit smaller,"
    echo "  colours by the answer's status; each tile polls its device once a second with \`fetch()\`"
    echo "  and touches the page only where a text or colour changed (no more than it must)."
    echo "- $version (Debian's package; the program itself, without Debian's wrapper script and"
    echo "  the flags it adds), as root, full screen, software compositing and raster (\`--disable-gpu\`:"
    echo "  what such a kiosk without a usable GPU does), its own traffic off; one unmeasured start"
    echo "  first makes the profile, so that every measured start finds one, as a kiosk does:"
    echo
    echo '```'
    echo "${flags[*]/#--user-data-dir=*/--user-data-dir=TMP}" | fmt -w 96
    echo '```'
    echo
    echo "- Chromium's processes at the end of the last window: $(cat "$work/kinds")."
    echo "- CPU: each subject runs in a cgroup of its own; after the warm-up, its CPU is the cgroup's"
    echo "  \`usage_usec\` over the window, the kernel's precise run time of all its processes and"
    echo "  threads (those that start or end in the window included; for the one-process panel the"
    echo "  same sum as perf's task-clock), as % of one core. The X server's CPU over the same window"
    echo "  by \`perf stat -e task-clock\`, apart."
    echo "- Memory at the end of the window, summed over the subject's processes (\`smaps_rollup\`):"
    echo "  PSS (pages shared with other processes divided among them: the panel's share of the Qt"
    echo "  libraries is lowered by the nine simulators that map them too, so its RSS is the bound to"
    echo "  compare with), and RSS (for the browser it counts the pages its processes share again for"
    echo "  each process)."
    echo "- TCP connections opened and UDP datagrams sent are the namespace's counters over the"
    echo "  window: nine polls a second and nothing else is what both should show; log: lines the"
    echo "  subject wrote to its output (the panel's debug line per answer)."
    echo "- Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(free -m | awk '/^Mem:/ {print $2}') MB RAM, $(uname -sr)"
    echo "- Load average before / after: ${BENCH_LOAD_BEFORE:-?} / $(cut -d' ' -f1-3 /proc/loadavg) (other builds and tests share the machine)"
    echo "- Revision: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- node app bench/browser-page.html 2>/dev/null || echo ' + local changes')"
    echo
    echo "Median of the runs, (min-max) after it; the ratio is that of the medians."
    echo
    echo "| Figure | Panel | Browser page | Browser / panel |"
    echo "|---|---|---|---|"
    echo "| CPU | $(summary panel cpu %) | $(summary browser cpu %) | $(ratio cpu) |"
    echo "| X server CPU | $(summary panel X %) | $(summary browser X %) | $(ratio X) |"
    echo "| CPU with the X server's | | | $(ratio cpu X) |"
    echo "| PSS | $(summary panel pss MB) | $(summary browser pss MB) | $(ratio pss) |"
    echo "| RSS (summed) | $(summary panel rss MB) | $(summary browser rss MB) | |"
    echo "| Browser PSS / panel RSS | | | $(awk -v a="$(median browser pss)" -v b="$(median panel rss)" \
        'BEGIN { printf "%.1f x", a / b }') |"
    echo "| TCP connections opened | $(summary panel tcp /s) | $(summary browser tcp /s) | |"
    echo
    echo "Runs in the order taken (processes: in the cgroup when the window opened and when it closed;"
    echo "load: the one-minute load average when the window opened):"
    echo
    echo '```'
    cat "$work/runs"
    echo '```'
    echo "<!-- /browser -->"
)
write_results_section browser "$section" "$results"
echo "section written to $results"

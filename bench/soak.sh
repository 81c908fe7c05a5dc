#!/bin/bash
# soak.sh [BUILD_DIR]: runs the real panel with nine simulated devices for DURATION seconds and
# samples its resident memory and CPU time, to show whether it grows when left alone for a long time.
#
#   DURATION=1800  seconds to run (default 30 minutes)
#   INTERVAL=10    seconds between samples
#   WARMUP=180     seconds excluded from the figures (start-up, font and glyph caches filling)
#   CSV=FILE       where the samples go (default soak-<date>.csv in the current directory)
#   SCREENSHOT=PNG if set, a picture of the screen 15 s after the start (to see the tiles are live)
#
# Everything runs in a private network namespace (tests/tools/netns-run): the devices listen on
# 10.77.0.2..10.77.0.10 port 80 in the namespace "devices", the panel runs under its own Xvfb with a
# window manager that grants it full screen. Output: the CSV (t_s, rss_kb, cpu_s, load1: the
# machine's one-minute load average, for judging the CPU figure) and a summary.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    exec "$root/tests/tools/netns-run" bash "$0" "$build"
fi
duration=${DURATION:-1800}
interval=${INTERVAL:-10}
warmup=${WARMUP:-180}
csv=${CSV:-$PWD/soak-$(date +%Y%m%d-%H%M).csv}

names=("Server room" "Lab 1" "Lab 2" "Cold store" "Office" "Archive" "Workshop" "Clean room" "Attic")
hosts=()
for i in 0 1 2 3 4 5 6 7 8; do hosts+=("${names[$i]} [10.77.0.$((i + 2))]"); done
write_panel_ini "$XDG_CONFIG_HOME/Tovald GmbH/brimopanel.ini" "${hosts[@]}"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
for i in 0 1 2 3 4 5 6 7 8; do
    # Limits the drift crosses now and then, so tiles switch between normal and critical colours.
    ip netns exec devices "$build/tools/devsim/brimo-devsim" --name "${names[$i]}" \
        --mac "02:00:00:00:00:$(printf %02X $((i + 1)))" --seed $((i + 1)) --temperature 21 \
        --temperature-limits 20.5:21.5 --address "10.77.0.$((i + 2))" --http-port 80 >/dev/null &
    pids+=($!)
done

start_virtual_screen

# Mesa's software GL is of no use to a widget program and only adds to its memory.
QT_XCB_GL_INTEGRATION=none "$build/app/brimopanel" >/dev/null 2>&1 &
panel=$!
pids+=("$panel")

if [ -n "${SCREENSHOT:-}" ]; then
    (sleep 15 && import -window root "$SCREENSHOT") &
fi

tick=$(getconf CLK_TCK)
echo "t_s,rss_kb,cpu_s,load1" >"$csv"
start=$(date +%s)
while :; do
    now=$(( $(date +%s) - start ))
    [ -r /proc/$panel/stat ] || { echo "soak: the panel has exited after ${now} s" >&2; exit 1; }
    rss=$(awk '/^VmRSS:/ {print $2}' /proc/$panel/status)
    cpu=$(sed 's/.*) //' /proc/$panel/stat | awk -v hz="$tick" '{printf "%.2f", ($12 + $13) / hz}')
    load=$(cut -d' ' -f1 /proc/loadavg)
    echo "$now,$rss,$cpu,$load" >>"$csv"
    [ "$now" -ge "$duration" ] && break
    sleep "$interval"
done

echo "soak: $duration s, samples every $interval s, warm-up $warmup s excluded; samples in $csv"
awk -F, -v warmup="$warmup" 'NR > 1 {
        if (first == "") first = $2
        if ($2 > peak) peak = $2
        last = $2
        if ($1 < warmup) next
        if (n == 0) { t0 = $1; c0 = $3; r0 = $2 }
        n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2; t1 = $1; c1 = $3; load += $4
    }
    END {
        if (n < 2) { print "soak: too few samples after the warm-up"; exit 1 }
        slope = (n * sxy - sx * sy) / (n * sxx - sx * sx)       # kB per second
        printf "RSS first %.1f MB, after warm-up %.1f MB, last %.1f MB, peak %.1f MB\n", first / 1024, r0 / 1024, last / 1024, peak / 1024
        printf "RSS slope after warm-up: %+.3f MB per 30 min (least squares, %d samples)\n", slope * 1800 / 1024, n
        printf "CPU after warm-up: %.2f s per minute (%.1f %% of one core); mean load average %.2f\n", (c1 - c0) / (t1 - t0) * 60, (c1 - c0) / (t1 - t0) * 100, load / n
    }' "$csv"

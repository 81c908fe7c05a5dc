#!/bin/bash
# bench/kiosk.sh [BUILD_DIR]: memory and CPU of the panel in the cage kiosk compositor on a headless
# 1280x720 output, as the user "nobody", with three simulated devices in a private network: through
# XWayland, natively, and natively without Qt's OpenGL buffer integration. Prints per path the
# median and range over KIOSK_RUNS runs (default 3) of resident memory (panel, Xwayland) and of CPU
# time over KIOSK_SECONDS (default 20) after KIOSK_WARMUP seconds (default 4), from schedstat.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    exec "$root/tests/tools/netns-run" bash "$0" "$build"
fi
source "$root/scripts/panel-env.sh"
runs=${KIOSK_RUNS:-3}
seconds=${KIOSK_SECONDS:-20}
warmup=${KIOSK_WARMUP:-4}
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
hosts=()
for i in 0 1 2; do
    ip netns exec devices "$build/tools/devsim/brimo-devsim" --address "10.77.0.$((i + 2))" \
        --http-port 80 --no-discovery --seed $((i + 1)) --temperature $((20 + 4 * i)) >/dev/null &
    pids+=($!)
    hosts+=("Device $i [10.77.0.$((i + 2))]")
done
write_panel_ini "$work/config/Tovald GmbH/brimopanel.ini" "${hosts[@]}"
cp "$build/app/brimopanel" "$work/"
chmod -R a+rX "$work"

rss_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null || echo 0; }
cpu_ns() {
    local sum=0 file
    for file in /proc/"$1"/task/*/schedstat; do sum=$((sum + $(cut -d' ' -f1 "$file"))); done
    echo $sum
}
# median_range VALUES...: "median (min-max)"
median_range() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%s (%s-%s)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# measure NAME CAGE_OPTIONS ENV...: KIOSK_RUNS runs of cage with the panel.
measure() {
    local name=$1 options cage panel xwayland line
    read -r -a options <<<"$2"
    shift 2
    local panel_rss=() xwayland_rss=() panel_cpu=() xwayland_cpu=() cage_cpu=()
    for _ in $(seq "$runs"); do
        rm -rf "$work/runtime" && mkdir -m 700 "$work/runtime" && chown 65534:65534 "$work/runtime"
        XDG_RUNTIME_DIR=$work/runtime WLR_BACKENDS=headless WLR_RENDERER=pixman \
            WLR_LIBINPUT_NO_DEVICES=1 XDG_CONFIG_HOME=$work/config HOME=$work/runtime \
            QT_LOGGING_RULES='*.debug=false' "${nobody[@]}" cage "${options[@]}" -- \
            env "$@" "$work/brimopanel" >/dev/null 2>&1 &
        cage=$!
        sleep "$warmup"
        panel=$(pgrep -P "$cage" -x brimopanel || true)
        xwayland=$(pgrep -u 65534 -x Xwayland || true)
        [ -n "$panel" ] || { echo "kiosk: the panel did not start ($name)" >&2; exit 1; }
        local p0 x0=0 c0
        p0=$(cpu_ns "$panel"); c0=$(cpu_ns "$cage")
        [ -z "$xwayland" ] || x0=$(cpu_ns "$xwayland")
        sleep "$seconds"
        panel_cpu+=($((($(cpu_ns "$panel") - p0) / 1000000)))
        cage_cpu+=($((($(cpu_ns "$cage") - c0) / 1000000)))
        panel_rss+=("$(rss_mb "$panel")")
        if [ -n "$xwayland" ]; then
            xwayland_cpu+=($((($(cpu_ns "$xwayland") - x0) / 1000000)))
            xwayland_rss+=("$(rss_mb "$xwayland")")
        fi
        kill "$panel" # cage ends with its client
        wait "$cage" 2>/dev/null || true
    done
    line="$name: panel $(median_range "${panel_rss[@]}") MB, $(median_range "${panel_cpu[@]}") ms"
    if [ ${#xwayland_rss[@]} -gt 0 ]; then
        line+="; Xwayland $(median_range "${xwayland_rss[@]}") MB, $(median_range "${xwayland_cpu[@]}") ms"
    fi
    echo "$line; cage $(median_range "${cage_cpu[@]}") ms"
}

echo "kiosk: resident memory and CPU time over ${seconds} s; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
measure "XWayland" "" QT_QPA_PLATFORM=xcb
measure "native Wayland" "-d" QT_QPA_PLATFORM=wayland
measure "native, no OpenGL integration" "-d" QT_QPA_PLATFORM=wayland \
    QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none

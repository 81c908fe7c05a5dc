#!/bin/bash
# demo-run.sh BUILD_DIR: starts the simulators and the panel (see demo.sh).
set -eu
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
if [ "$(id -u)" = 0 ] && [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    exec "$root/tests/tools/netns-run" bash "$0" "$@"
fi

config=$(mktemp -d)
export XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config/data
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$config"
}
trap cleanup EXIT
start_demo_devices "$build"
# Names and trends on; one sample a second instead of every ten minutes, so the trends fill while
# one watches (BRIMO_HISTORY_INTERVAL_MS is meant for demos and tests only).
PANEL_GENERAL='ShowNames=true\nShowHistory=true\n' PANEL_HISTORY=1 \
    write_panel_ini "$config/Tovald GmbH/brimopanel.ini" "${hosts[@]}"
export BRIMO_HISTORY_INTERVAL_MS=${BRIMO_HISTORY_INTERVAL_MS:-1000}

if [ -z "${DISPLAY:-}" ]; then
    start_virtual_screen
    # Long enough for the trends to show some dozens of samples.
    (sleep "${DEMO_SHOT_DELAY:-45}" && import -window root "$build/demo.png" &&
        echo "demo: screenshot in $build/demo.png" &&
        xdotool key ctrl+q) &
fi
"$build/app/brimopanel"

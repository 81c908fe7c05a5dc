#!/bin/bash
# The pictures in docs/, made from the demo's nine simulated devices on a virtual screen, in a
# private network of its own (root or sudo), so the setup dialog's scan finds the devices and no
# packet leaves the machine. Run it again whenever the look changes:
#   docs/panel.png   the panel with nine tiles, some of them Critical
#   docs/setup.png   the setup dialog with the discovered devices
#   docs/colors.png  the colour dialog of one slot
#   docs/panel-trends.png  the panel with the devices' names and the trends on
# One more picture: write a function shot_NAME that brings it onto the screen and ends with
# "capture NAME [WINDOW_TITLE]", and add NAME to "shots" below. Each shot gets a panel of its own,
# started on the settings file write_panel_ini makes from "hosts"; a function settings_NAME, if
# there is one, may change that file ("$ini") before the panel starts. SHOTS="setup colors" makes
# only those.
set -eu
read -ra shots <<<"${SHOTS:-panel setup colors panel-trends}"

cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-$root/build}
if [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    bash scripts/deps.sh
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$(nproc)" --target brimopanel brimo-devsim
    sudo_cmd=""
    [ "$(id -u)" = 0 ] || sudo_cmd=sudo
    exec $sudo_cmd env BUILD_DIR="$build" tests/tools/netns-run bash "$0" "$@"
fi
source scripts/panel-env.sh

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data QT_LOGGING_RULES='*.debug=false'
pids=()
panel=""
cleanup() {
    [ -z "$panel" ] || kill "$panel" 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
start_demo_devices "$build"
start_virtual_screen

# wait_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; fails after SECONDS.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || { echo "screenshots: gave up waiting for: $*" >&2; return 1; }
        sleep 0.2
    done
}

window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
has_window() { [ -n "$(window_of "$1")" ]; }

# Every tile of the 3 x 3 grid shows readings: text in the Normal foreground colour of
# write_panel_ini left of its units (each demo device has a sensor within its limits).
tiles_drawn() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop 3x3@ +repage -crop 60x100%+0+0 +repage -fill black \
        +opaque '#f0f4f8' -fill white -opaque '#f0f4f8' -format '%[fx:mean*w*h]\n' info: |
        awk '$1 < 300 { bad = 1 } END { exit bad }'
}

start_panel() {
    "$build/app/brimopanel" >/dev/null 2>&1 &
    panel=$!
    wait_until 20 tiles_drawn
}

stop_panel() {
    xdotool key ctrl+q
    wait "$panel" || true
    panel=""
}

# capture NAME [WINDOW_TITLE]: docs/NAME.png from the whole screen or one window, at most 960 px
# wide, in a palette of 256 colours.
capture() {
    local window=root
    [ $# -lt 2 ] || window=$(window_of "$2")
    import -window "$window" "$work/$1.png"
    convert "$work/$1.png" -resize '960x>' +dither -colors 256 -strip \
        -define png:compression-level=9 "docs/$1.png"
    echo "screenshots: docs/$1.png ($(identify -format '%wx%h' "docs/$1.png"), $(stat -c %s "docs/$1.png") bytes)"
}

# The setup dialog over the panel, its device list filled by the dialog's first scan.
open_setup() {
    xdotool key ctrl+s
    wait_until 10 has_window CSetupDlg
    sleep 2 # every device answers the first scan within a second
}

shot_panel() {
    capture panel
}

shot_setup() {
    open_setup
    capture setup CSetupDlg
    xdotool key Escape
}

shot_colors() {
    open_setup
    # The colour dialog belongs to the slot selected in the device table: the first one.
    local setup
    setup=$(window_of CSetupDlg)
    eval "$(xdotool getwindowgeometry --shell "$setup")"
    xdotool mousemove --window "$setup" $((WIDTH * 15 / 100)) $((HEIGHT * 70 / 100)) click 1
    xdotool mousemove --window "$setup" $((WIDTH * 47 / 100)) $((HEIGHT * 95 / 100)) click 1 # Colors
    wait_until 10 has_window CSetupColorDlg
    sleep 0.5 # painted
    capture colors CSetupColorDlg
    xdotool key Escape
    sleep 0.5
    xdotool key Escape
}

# Names and trends on, a sample a second (the demo's interval) for about a minute.
settings_panel-trends() {
    PANEL_GENERAL='ShowNames=true\nShowHistory=true\n' PANEL_HISTORY=1 \
        write_panel_ini "$ini" "${hosts[@]}"
    export BRIMO_HISTORY_INTERVAL_MS=1000
}

shot_panel-trends() {
    sleep 50
    capture panel-trends
    unset BRIMO_HISTORY_INTERVAL_MS
}

mkdir -p docs
ini="$XDG_CONFIG_HOME/Tovald GmbH/brimopanel.ini"
for shot in "${shots[@]}"; do
    write_panel_ini "$ini" "${hosts[@]}"
    if declare -F "settings_$shot" >/dev/null; then "settings_$shot"; fi
    start_panel
    "shot_$shot"
    stop_panel
done

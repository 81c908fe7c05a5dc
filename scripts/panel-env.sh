# Shared by the scripts that run the real panel against simulated devices (demo, benchmarks, soak).
# Source it; the functions add what they start to the caller's array "pids".

# write_panel_ini FILE HOST...: a settings file with one slot per host text ("name [address]"), in
# slot order, every value and unit label on and all 48 colour keys of each slot (a slot stored
# without them would load invalid, that is black, colours).
write_panel_ini() {
    local ini=$1 slot=0 host element key
    shift
    mkdir -p "$(dirname "$ini")"
    {
        printf '[%%General]\nFrameColor=#202830\n'
        for host in "$@"; do
            printf '[Device%d%d]\nHost=%s\n' $((slot / 3)) $((slot % 3)) "$host"
            printf 'DisplaySizeHistory=1\nDisplaySizeValue=3\nDisplaySizeUnit=1\n'
            for key in TemperatureValue TemperatureUnit HumidityValue HumidityUnit DewpointValue \
                DewpointUnit; do
                printf 'Enable%s=true\n' "$key"
            done
            for element in TemperatureHistory TemperatureValue TemperatureUnit HumidityHistory \
                HumidityValue HumidityUnit DewpointValue DewpointUnit; do
                printf '%sNormalForeground=#f0f4f8\n%sNormalBackground=#101820\n' "$element" "$element"
                printf '%sWarningForeground=#ffffff\n%sWarningBackground=#000000\n' "$element" "$element"
                printf '%sCriticalForeground=#ffffff\n%sCriticalBackground=#b01818\n' "$element" "$element"
            done
            slot=$((slot + 1))
        done
    } >"$ini"
}

# start_virtual_screen: a 1920x1080 Xvfb on a free display and a window manager that grants the
# panel its full-screen request (without one, full screen is only a request nobody grants).
# Exports DISPLAY.
start_virtual_screen() {
    local displayfile
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
    DISPLAY=:$(head -n1 "$displayfile")
    export DISPLAY
    rm -f "$displayfile"
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
}

# shellcheck shell=bash
# Shared by the scripts that run the real panel against simulated devices (demo, benchmarks, soak).
# Source it; the functions add what they start to the caller's array "pids".

# write_results_section NAME TEXT FILE: puts TEXT, which begins with the line "<!-- NAME -->" and
# ends with "<!-- /NAME -->", in place of that section of FILE, or at its end (bench/run.sh keeps
# such sections when it writes the file anew).
write_results_section() {
    local name=$1 section=$2 results=$3
    if grep -q "^<!-- $name -->\$" "$results" 2>/dev/null; then
        awk -v section="$section" -v begin="<!-- $name -->" -v end="<!-- /$name -->" '
            $0 == begin { print section; skip = 1; next }
            $0 == end { skip = 0; next }
            !skip' "$results" >"$results.new"
        mv "$results.new" "$results"
    else
        printf '\n%s\n' "$section" >>"$results"
    fi
}

# write_panel_ini FILE HOST...: a settings file with one slot per host text ("name [address]"), in
# slot order, every value and unit label on and all 48 colour keys of each slot (a slot stored
# without them would load invalid, that is black, colours).
# Optional: PANEL_GENERAL holds further lines of the General group ("ShowNames=true\n");
# PANEL_HISTORY=1 also turns each slot's temperature and humidity history on.
write_panel_ini() {
    local ini=$1 slot=0 host element key history=
    shift
    [ "${PANEL_HISTORY:-0}" = 1 ] && history="TemperatureHistory HumidityHistory"
    mkdir -p "$(dirname "$ini")"
    {
        printf '[%%General]\nFrameColor=#202830\n%b' "${PANEL_GENERAL:-}"
        for host in "$@"; do
            printf '[Device%d%d]\nHost=%s\n' $((slot / 3)) $((slot % 3)) "$host"
            printf 'DisplaySizeHistory=1\nDisplaySizeValue=3\nDisplaySizeUnit=1\n'
            for key in $history TemperatureValue TemperatureUnit HumidityValue HumidityUnit \
                DewpointValue DewpointUnit; do
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

# start_virtual_screen: an Xvfb of SCREEN_SIZE (default 1920x1080) on a free display and a window
# manager that grants the panel its full-screen request (without one, full screen is only a request
# nobody grants). Exports DISPLAY.
start_virtual_screen() {
    local displayfile size=${SCREEN_SIZE:-1920x1080}
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$displayfile" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
    DISPLAY=:$(head -n1 "$displayfile")
    export DISPLAY
    rm -f "$displayfile"
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
}

# start_demo_devices BUILD_DIR: the demo's nine simulated devices, some of them outside their limits.
# With BRIMO_PRIVATE_NET set they live in the "devices" namespace at 10.77.0.2 ... 10.77.0.10 and
# answer discovery; otherwise on 127.0.0.1:18080 ... 18088 without discovery. Sets the array
# "hosts" to their host texts in slot order.
start_demo_devices() {
    local build=$1 i addr
    local names=("Server room" "Lab 1" "Lab 2" "Cold store" "Office" "Archive" "Workshop"
                 "Clean room" "Attic")
    local temps=(22.5 20.0 21.0 4.0 22.0 18.5 17.0 21.5 26.0)
    local hums=(38 45 50 80 42 55 60 35 30)
    hosts=()
    for i in 0 1 2 3 4 5 6 7 8; do
        local args=(--name "${names[$i]}" --mac "02:00:00:00:00:$(printf %02X $((i + 1)))"
                    --seed $((i + 1)) --temperature "${temps[$i]}" --humidity "${hums[$i]}"
                    --temperature-limits 10:25)
        if [ -n "${BRIMO_PRIVATE_NET:-}" ]; then
            addr="10.77.0.$((i + 2))"
            ip netns exec devices "$build/tools/devsim/brimo-devsim" "${args[@]}" \
                --address "$addr" --http-port 80 >/dev/null &
        else
            addr="127.0.0.1:$((18080 + i))"
            "$build/tools/devsim/brimo-devsim" "${args[@]}" --no-discovery \
                --address 127.0.0.1 --http-port $((18080 + i)) >/dev/null &
        fi
        pids+=($!)
        hosts+=("${names[$i]} [$addr]")
    done
}

#!/bin/bash
# demo-run.sh BUILD_DIR: starts the simulators and the panel (see demo.sh).
set -eu
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/panel-env.sh"
if [ "$(id -u)" = 0 ] && [ -z "${BRIMO_PRIVATE_NET:-}" ]; then
    exec "$root/tests/tools/netns-run" bash "$0" "$@"
fi

names=("Server room" "Lab 1" "Lab 2" "Cold store" "Office" "Archive" "Workshop" "Clean room" "Attic")
temps=(22.5 20.0 21.0 4.0 22.0 18.5 17.0 21.5 26.0)
hums=(38 45 50 80 42 55 60 35 30)
config=$(mktemp -d)
export XDG_CONFIG_HOME=$config
hosts=()
for i in 0 1 2 3 4 5 6 7 8; do
    if [ -n "${BRIMO_PRIVATE_NET:-}" ]; then addr="10.77.0.$((i + 2))"; else addr="127.0.0.1:$((18080 + i))"; fi
    hosts+=("${names[$i]} [$addr]")
done
write_panel_ini "$config/Tovald GmbH/brimopanel.ini" "${hosts[@]}"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$config"
}
trap cleanup EXIT
for i in 0 1 2 3 4 5 6 7 8; do
    args=(--name "${names[$i]}" --mac "02:00:00:00:00:$(printf %02X $((i + 1)))" --seed $((i + 1))
          --temperature "${temps[$i]}" --humidity "${hums[$i]}" --temperature-limits 10:25)
    if [ -n "${BRIMO_PRIVATE_NET:-}" ]; then
        ip netns exec devices "$build/tools/devsim/brimo-devsim" "${args[@]}" \
            --address "10.77.0.$((i + 2))" --http-port 80 >/dev/null &
    else
        "$build/tools/devsim/brimo-devsim" "${args[@]}" --no-discovery \
            --address 127.0.0.1 --http-port $((18080 + i)) >/dev/null &
    fi
    pids+=($!)
done

if [ -z "${DISPLAY:-}" ]; then
    start_virtual_screen
    (sleep 6 && import -window root "$build/demo.png" && echo "demo: screenshot in $build/demo.png" &&
        xdotool key ctrl+q) &
fi
"$build/app/brimopanel"

#!/bin/bash
# The demo: nine simulated devices and the panel showing them, with a settings file of its own.
# As root it runs everything in a private network namespace (the devices at 10.77.0.2 ... 10.77.0.10),
# so the setup dialog's Scan finds them and no packet leaves the machine. Without root the devices
# listen on 127.0.0.1 instead (the tiles work; Scan then finds nothing).
# Without a DISPLAY it starts a virtual X server and saves a screenshot to build/demo.png.
# Ctrl+Q (or the right-click menu) quits; the simulators end with the panel.
set -eu
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target brimopanel brimo-devsim
exec bash scripts/demo-run.sh "$PWD/build"

#!/bin/bash
# Placeholder until the simulated devices exist: builds and starts the panel.
set -eu
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
exec tests/tools/netns-run build/app/brimopanel

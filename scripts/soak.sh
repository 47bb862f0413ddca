#!/usr/bin/env bash
# Runs the soak test for as long as asked: bash scripts/soak.sh [seconds] (default 3600).
# The real window offscreen polls tc24-sim every 50 ms with every line fault on; the test
# prints polls, events, red boxes, resident memory and the simulator's fault counts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target soak_test tc24-sim
TC24_SOAK_SECONDS=$seconds TC24_SIM=build/bin/tc24-sim QT_QPA_PLATFORM=offscreen \
    build/bin/soak_test

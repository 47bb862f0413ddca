#!/usr/bin/env bash
# Renders the window attached to the module simulator after a "单次" query to
# docs/screenshot.png, and the trend view after half a minute of polling to docs/trend.png;
# then the English window after the same query to docs/window-en.png.
# Offscreen (no display needed); the Chinese texts need fonts-wqy-microhei.
#   bash scripts/screenshot.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target tc24-screenshot tc24-sim >/dev/null
work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/ports"
printf '1,19200\r\n' >"$work/comm.set"
# A generated module whose temperatures wander, so the trend has something to show.
"$build/bin/tc24-sim" --link "$work/ports/COM1" --baud 19200 --drift 1.5 --seed 7 \
    >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 50); do
    [ -L "$work/ports/COM1" ] && break
    sleep 0.1
done
[ -L "$work/ports/COM1" ] || { echo "the simulator did not start:"; cat "$work/sim.err"; exit 1; }

QT_QPA_PLATFORM=offscreen "$build/bin/tc24-screenshot" "$work" docs/screenshot.png \
    docs/trend.png "${TC24_SCREENSHOT_SECONDS:-30}"

# The English window: the language as the operator's choice in tc24.ini would keep it.
printf '[window]\nlanguage=en\n' >"$work/tc24.ini"
QT_QPA_PLATFORM=offscreen "$build/bin/tc24-screenshot" "$work" docs/window-en.png \
    "$work/trend-en.png" 1

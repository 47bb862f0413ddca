#!/usr/bin/env bash
# Installs what is needed, builds, and opens the window. Unless TC24_HARDWARE=1, the module
# simulator is started first and linked as the port that comm.set names, so "单次" shows 24
# temperatures without any hardware. Closing the window stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

# Without a display Qt can only abort with a message about platform plugins; say why instead,
# before minutes of building.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "demo.sh: no display here (DISPLAY and WAYLAND_DISPLAY are unset, as over ssh): run it" \
        "on the machine's desktop, over 'ssh -X', under 'xvfb-run bash scripts/demo.sh' (package xvfb)," \
        "or windowless with 'QT_QPA_PLATFORM=offscreen bash scripts/demo.sh'" >&2
    exit 1
fi

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The window and the simulator only: the tests and benchmarks are CI's (.ci/run), and building
# them first would keep the window waiting for minutes.
cmake --build build --target tc24 tc24-sim

bin=build/bin
port=1
rate=19200
if [ -f "$bin/comm.set" ]; then
    IFS=, read -r saved_port saved_rate < <(tr -d '\r' <"$bin/comm.set") || true
    if [[ "${saved_port:-}" =~ ^[0-9]+$ ]] && [ "$saved_port" -ge 1 ] && [ "$saved_port" -le 16 ]; then
        port=$saved_port
    fi
    if [[ "${saved_rate:-}" =~ ^[0-9]+$ ]] && [ "$saved_rate" -gt 0 ]; then
        rate=$saved_rate
    fi
fi
printf '%s,%s\r\n' "$port" "$rate" >"$bin/comm.set"

sim_pid=""
if [ "${TC24_HARDWARE:-0}" != 1 ]; then
    "$bin/tc24-sim" --link "$bin/ports/COM$port" --baud "$rate" --state "$bin/tc24-sim.state" \
        --log 2>"$bin/tc24-sim.log" >"$bin/tc24-sim.out" &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -L "$bin/ports/COM$port" ] && break
        sleep 0.1
    done
    echo "simulator: $(head -n1 "$bin/tc24-sim.out") linked as COM$port at $rate baud (log: $bin/tc24-sim.log)"
fi

"$bin/tc24"

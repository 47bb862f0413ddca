#!/usr/bin/env bash
# Runs every benchmark on a release build and prints the figures docs/performance.md
# reports. Usage: bash bench/run.sh [seconds per polling run, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target decode_bench polling_bench startup_bench tc24-sim tc24 >/dev/null
bin=build/bin
export TC24_SIM=$PWD/$bin/tc24-sim

echo "== machine"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== decode cost (median of 5)"
"$bin/decode_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    2>/dev/null | grep -E 'median'

echo "== polling accuracy ($seconds s each)"
echo "| baud | interval ms | s | polls | complete | spacing error median ms | p99 ms | max ms | CPU µs per poll |"
echo "|---|---|---|---|---|---|---|---|---|"
for baud in 9600 19200 38400; do
    for interval in 50 1000; do
        run=$seconds
        [ "$interval" -ge 1000 ] && run=$((seconds * 3))
        "$bin/polling_bench" "$baud" "$interval" "$run" 2>/dev/null
    done
done

echo "== mbpoll, same simulator, 24 registers every 50 ms at 19200 baud for $((seconds * 2)) s"
if command -v mbpoll >/dev/null; then
    work=$(mktemp -d)
    "$bin/tc24-sim" --baud 19200 --link "$work/ports/COM1" >"$work/sim.out" 2>/dev/null &
    sim=$!
    for _ in $(seq 50); do [ -L "$work/ports/COM1" ] && break; sleep 0.1; done
    mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 1 -c 24 -l 50 "$work/ports/COM1" \
        >/dev/null 2>&1 &
    master=$!
    sleep $((seconds * 2))
    # The kernel's own count of the time mbpoll ran (ns), read while it still runs; ours
    # below comes from getrusage, the same count summed over the process's threads.
    cpu_ns=$(cut -d' ' -f1 "/proc/$master/schedstat")
    kill -INT "$master"
    wait "$master" || true
    kill -INT "$sim"
    wait "$sim" || true
    requests=$(grep -o 'requests [0-9]*' "$work/sim.out" | cut -d' ' -f2)
    echo "mbpoll: $requests polls, CPU $(awk -v c="$cpu_ns" -v n="$requests" 'BEGIN { printf "%.0f", c / 1000 / n }') µs per poll"
    echo "tc24 at the same settings:"
    "$bin/polling_bench" 19200 50 "$((seconds * 2))" 2>/dev/null
    rm -rf "$work"
fi

echo "== start-up (5 runs: time to the window shown, resident memory)"
for _ in 1 2 3 4 5; do "$bin/startup_bench" 2>/dev/null; done

#!/usr/bin/env bash
# Runs every benchmark on a release build and prints the figures docs/performance.md
# reports. Usage: bash bench/run.sh [seconds per polling run, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target decode_bench polling_bench spacing_floor startup_bench tc24-sim tc24 \
    >/dev/null
bin=build/bin
export TC24_SIM=$PWD/$bin/tc24-sim

echo "== machine"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== decode cost (median of 5)"
"$bin/decode_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    2>/dev/null | grep -E 'median'

echo "== polling accuracy ($seconds s each)"
echo "| baud | interval ms | s | polls | complete | spacing error median ms | p99 ms | max ms | user CPU µs per poll | system CPU µs per poll | CPU of a core |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for baud in 9600 19200 38400; do
    for interval in 50 1000; do
        run=$seconds
        [ "$interval" -ge 1000 ] && run=$((seconds * 3))
        "$bin/polling_bench" "$baud" "$interval" "$run" 2>/dev/null
    done
done

echo "== the machine's floor: spacing_floor at 19200 baud every 50 ms, $seconds s each, 3 runs"
# The smallest master there is (absolute sleeps, no event loop): how late this machine wakes
# a process, which no master can do better than.
echo "| run | requests | spacing error median ms | p99 ms | max ms |"
echo "|---|---|---|---|---|"
for run in 1 2 3; do
    work=$(mktemp -d)
    "$bin/tc24-sim" --baud 19200 --link "$work/ports/COM1" --log >/dev/null 2>"$work/sim.log" &
    sim=$!
    for _ in $(seq 50); do [ -L "$work/ports/COM1" ] && break; sleep 0.1; done
    "$bin/spacing_floor" "$work/ports/COM1" 19200 50 "$seconds"
    kill -INT "$sim"
    wait "$sim" || true
    # "   123.456 ms  rx 01 03 …": arrival of each request at the simulator.
    awk '$2 == "ms" && $3 == "rx" { if (n++) print ($1 - last - 50 < 0 ? last + 50 - $1 : $1 - last - 50); last = $1 }' \
        "$work/sim.log" | sort -g |
        awk -v run="$run" '{ e[NR] = $1 } END {
            if (NR == 0) { print "| " run " | 0 | - | - | - |"; exit }
            printf "| %d | %d | %.2f | %.2f | %.2f |\n", run, NR + 1, e[int((NR - 1) * 0.5) + 1],
                e[int((NR - 1) * 0.99) + 1], e[NR] }'
    rm -rf "$work"
done

echo "== side by side with mbpoll: 24 registers every 50 ms at 19200 baud, $seconds s each, 3 pairs"
# CPU accounting on a shared virtual machine drifts over minutes, so the two masters run in
# turn, three times, and are compared pair by pair.
mbpoll_cpu() {  # prints "polls CPU_µs_per_poll", measured after a warm-up as ours is
    local work sim master before after first last
    work=$(mktemp -d)
    "$bin/tc24-sim" --baud 19200 --link "$work/ports/COM1" >"$work/sim.out" 2>/dev/null &
    sim=$!
    for _ in $(seq 50); do [ -L "$work/ports/COM1" ] && break; sleep 0.1; done
    # Line-buffered, so that the replies it printed can be counted while it runs: one line
    # "[1]: value" per poll.
    stdbuf -oL mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 1 -c 24 -l 50 "$work/ports/COM1" \
        >"$work/master.out" 2>&1 &
    master=$!
    sleep 2
    # The kernel's count of its CPU time in nanoseconds (the first field of schedstat: the
    # same total getrusage gives ours, and exact where /proc/PID/stat counts in ticks).
    first=$(grep -c '^\[1\]:' "$work/master.out" || true)
    before=$(cut -d' ' -f1 "/proc/$master/schedstat")
    sleep "$seconds"
    after=$(cut -d' ' -f1 "/proc/$master/schedstat")
    last=$(grep -c '^\[1\]:' "$work/master.out" || true)
    kill -INT "$master"
    wait "$master" || true
    kill -INT "$sim"
    wait "$sim" || true
    awk -v a="$before" -v b="$after" -v n="$((last - first))" \
        'BEGIN { if (n > 0) printf "%d %.0f\n", n, (b - a) / 1000 / n; else print "0 0" }'
    rm -rf "$work"
}
if command -v mbpoll >/dev/null; then
    # Where the kernel counts CPU time by the tick (as on the machine of docs/performance.md),
    # only the totals are exact and the split into user and system is a sample.
    echo "| pair | tc24 polls | tc24 user µs | tc24 system µs | tc24 µs | mbpoll polls | mbpoll µs | tc24 ÷ mbpoll |"
    echo "|---|---|---|---|---|---|---|---|"
    for pair in 1 2 3; do
        ours=$("$bin/polling_bench" 19200 50 "$seconds" 2>/dev/null |
            awk -F'|' '{ gsub(/ /, ""); print $5, $10, $11 }')
        theirs=$(mbpoll_cpu)
        read -r our_polls our_user our_system <<<"$ours"
        read -r their_polls their_cpu <<<"$theirs"
        our_cpu=$((our_user + our_system))
        ratio=$(awk -v a="$our_cpu" -v b="$their_cpu" \
            'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
        echo "| $pair | $our_polls | $our_user | $our_system | $our_cpu | $their_polls | $their_cpu | $ratio |"
    done
fi

echo "== start-up (5 runs: time to the window shown, resident memory)"
for _ in 1 2 3 4 5; do "$bin/startup_bench" 2>/dev/null; done

#!/usr/bin/env bash
# tc24-cli against tc24-sim with wire timing:
#   1. `read` (24 registers) at 19200 baud, process start to exit, against the wire time and
#      against `mbpoll -1` reading the same registers, the two interleaved in one run;
#   2. `watch --interval 1` at 19200 baud for WATCH_SECONDS: polls completed of the polls the
#      line allows (request + turnaround + reply at the line's rate);
#   3. `scan` of 1-249 with --timeout 50 against three modules;
#   4. the tool's start-up alone (`--version`).
# Every run ends with the simulator's collision count, which must be 0.
#   bench/cli_bench.sh [build dir] [runs] [watch seconds]
set -euo pipefail
build=${1:-build}
runs=${2:-100}
watch_seconds=${3:-60}
cli=$build/bin/tc24-cli
sim=$build/bin/tc24-sim
for program in "$cli" "$sim"; do
    [ -x "$program" ] || { echo "no $program: build tc24-cli and tc24-sim first" >&2; exit 1; }
done

work=$(mktemp -d)
sim_pid=
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=
        echo "  simulator: $(sed -n 's/.*\(collisions [0-9]*\).*/\1/p' "$work/sim.out")"
    fi
}
trap 'stop_sim; rm -rf "$work"' EXIT

# Starts the simulator at the given rate (further arguments are the simulator's); sets $device.
start_sim() {
    local baud=$1
    shift
    "$sim" --baud "$baud" --drift 0 "$@" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do
        device=$(sed -n 's/^device //p' "$work/sim.out")
        [ -n "$device" ] && return 0
        sleep 0.05
    done
    echo "the simulator did not start: $(cat "$work/sim.err")" >&2
    exit 1
}

# Milliseconds with three decimals from bash's clock.
now_us() { echo "${EPOCHREALTIME/./}"; }

# Reads numbers (ms), prints "median p90 max" over them.
summary() {
    sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "no runs"; exit }
        printf "median %.1f ms, p90 %.1f ms, max %.1f ms (%d runs)\n",
               v[int((NR + 1) / 2)], v[int(NR * 0.9 + 0.5)], v[NR], NR }'
}

# Runs a command `runs` times, one duration in ms a line.
time_runs() {
    for _ in $(seq "$runs"); do
        local start end
        start=$(now_us)
        "$@" >/dev/null
        end=$(now_us)
        awk -v d=$((end - start)) 'BEGIN { printf "%.3f\n", d / 1000 }'
    done
}

echo "tc24-cli $("$cli" --version | cut -d' ' -f2), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. One register query at 19200 baud, tc24-cli and mbpoll in turn.
start_sim 19200
"$cli" --port "$device" --baud 19200 read >/dev/null  # warm the caches
# 8 request bytes and 53 reply bytes of 10 bits each, and the simulator's 3 ms turnaround.
wire=$(awk 'BEGIN { printf "%.1f", (8 + 53) * 10 * 1000 / 19200 + 3 }')
echo "read at 19200 baud: wire time $wire ms, target under $(awk -v w="$wire" 'BEGIN { printf "%.1f", w + 10 }') ms"
: >"$work/ours.ms"
: >"$work/mbpoll.ms"
for _ in $(seq "$runs"); do
    time_once() {
        local start end
        start=$(now_us)
        "$@" >/dev/null 2>&1
        end=$(now_us)
        awk -v d=$((end - start)) 'BEGIN { printf "%.3f\n", d / 1000 }'
    }
    time_once "$cli" --port "$device" --baud 19200 read >>"$work/ours.ms"
    if command -v mbpoll >/dev/null; then
        time_once mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 1 -c 24 -1 "$device" >>"$work/mbpoll.ms"
    fi
done
echo "  tc24-cli read, start to exit: $(summary <"$work/ours.ms")"
if [ -s "$work/mbpoll.ms" ]; then
    echo "  mbpoll -1, start to exit:     $(summary <"$work/mbpoll.ms")"
fi
stop_sim

# 2. Polling as fast as the line allows at 19200 baud.
start_sim 19200
allowed_ms=$(awk 'BEGIN { printf "%.3f", (8 + 53) * 10 * 1000 / 19200 + 3 }')
start=$(now_us)
status=0
timeout --preserve-status --signal=INT "$watch_seconds" "$cli" --port "$device" --baud 19200 watch --interval 1 \
    >"$work/watch.csv" 2>"$work/watch.err" || status=$?
end=$(now_us)
done_polls=$(($(grep -c . "$work/watch.csv") - 1))
allowed=$(awk -v d=$((end - start)) -v a="$allowed_ms" 'BEGIN { printf "%d", d / 1000 / a }')
echo "watch --interval 1 at 19200 baud for $watch_seconds s: $done_polls polls of $allowed the line" \
    "allows at $allowed_ms ms each ($(awk -v a="$done_polls" -v b="$allowed" 'BEGIN { printf "%.1f", 100 * a / b }') %)," \
    "$(grep -c . "$work/watch.err" || true) failed, exit status $status"
stop_sim

# 3. A scan of every address with three modules on the line.
start_sim 19200 --address 1,7,200
start=$(now_us)
found=$("$cli" --port "$device" --baud 19200 scan --timeout 50 | tr '\n' ' ')
end=$(now_us)
echo "scan 1-249 --timeout 50, three modules: found $found in" \
    "$(awk -v d=$((end - start)) 'BEGIN { printf "%.2f", d / 1e6 }') s"
stop_sim

# 4. Start-up alone.
echo "start-up (--version): $(time_runs "$cli" --version | summary)"

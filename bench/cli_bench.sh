#!/usr/bin/env bash
# tc24-cli against tc24-sim with wire timing:
#   1. `read` (24 registers) at 19200 baud, process start to exit, against the wire time;
#   2. `watch --interval 50` at 38400 baud for WATCH_SECONDS: polls completed of polls due;
#   3. the tool's start-up alone (`--version`).
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
    fi
}
trap 'stop_sim; rm -rf "$work"' EXIT

# Starts the simulator at the given rate; sets $device.
start_sim() {
    "$sim" --baud "$1" --drift 0 >"$work/sim.out" 2>"$work/sim.err" &
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

# 1. One register query at 19200 baud.
start_sim 19200
"$cli" --port "$device" --baud 19200 read >/dev/null  # warm the caches
# 8 request bytes and 53 reply bytes of 10 bits each, and the simulator's 3 ms turnaround.
wire=$(awk 'BEGIN { printf "%.1f", (8 + 53) * 10 * 1000 / 19200 + 3 }')
echo "read at 19200 baud: wire time $wire ms, target under $(awk -v w="$wire" 'BEGIN { printf "%.1f", w + 30 }') ms"
echo "  start to exit: $(time_runs "$cli" --port "$device" --baud 19200 read | summary)"
stop_sim

# 2. Polling every 50 ms at 38400 baud.
start_sim 38400
polls=$((watch_seconds * 1000 / 50))
start=$(now_us)
status=0
"$cli" --port "$device" --baud 38400 watch --interval 50 --count "$polls" \
    >"$work/watch.csv" 2>"$work/watch.err" || status=$?
end=$(now_us)
done_polls=$(($(grep -c . "$work/watch.csv") - 1))
echo "watch --interval 50 at 38400 baud: $done_polls of $polls polls completed" \
    "($(awk -v a="$done_polls" -v b="$polls" 'BEGIN { printf "%.2f", 100 * a / b }') %)," \
    "$(grep -c . "$work/watch.err" || true) failed, exit status $status," \
    "$(awk -v d=$((end - start)) 'BEGIN { printf "%.2f", d / 1e6 }') s for $((polls * 50 / 1000)) s due"
stop_sim

# 3. Start-up alone.
echo "start-up (--version): $(time_runs "$cli" --version | summary)"

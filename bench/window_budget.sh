#!/usr/bin/env bash
# The window's budget on a real X server: 20 polls a second at 19200 baud against tc24-sim,
# trend view closed and open, the default 1000 ms interval, and start-up. Runs under Xvfb
# unless DISPLAY is set. CPU is the window process's own, CPU seconds over wall seconds.
#   bash bench/window_budget.sh [build dir, default build] [seconds per run, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}

if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "needs Xvfb: apt-get install xvfb xauth" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$build" "$seconds"
fi
export QT_QPA_PLATFORM=xcb
cmake --build "$build" --target polling_bench startup_bench tc24-sim >/dev/null
export TC24_SIM=$PWD/$build/bin/tc24-sim

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u +%FT%RZ)"
echo "| view | baud | interval ms | s | polls | complete | spacing error median ms | p99 ms | max ms | user µs per poll | system µs per poll | CPU of a core |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
run() {  # view interval seconds
    local view=$1 interval=$2 run=$3 row
    if [ "$view" = "trend open" ]; then
        row=$(TC24_BENCH_TREND=1 "$build/bin/polling_bench" 19200 "$interval" "$run" 2>/dev/null)
    else
        row=$("$build/bin/polling_bench" 19200 "$interval" "$run" 2>/dev/null)
    fi
    echo "| $view $row"
}
run "trend closed" 50 "$seconds"
run "trend open" 50 "$seconds"
run "trend closed" 1000 "$seconds"

echo "start-up, 5 runs:"
for _ in 1 2 3 4 5; do "$build/bin/startup_bench" 2>/dev/null; done

#!/usr/bin/env bash
# The window's CPU budget on a real X server: 20 polls a second (50 ms) at 19200 baud against
# tc24-sim, in four cases: no view open, the trend view on "全部", the communication log open
# and following, and both. Rounds are interleaved (each round runs every case once), so a
# machine whose speed drifts affects every case alike; the budget holds for the median over
# the rounds. Then the default 1000 ms interval and start-up. Runs under Xvfb unless DISPLAY
# is set. CPU is the window process's own, CPU seconds over wall seconds after a warm-up.
#   bash bench/window_budget.sh [build dir, default build] [seconds per run, default 60]
#                               [rounds, default 3]
# TC24_BUDGET_ONLY=1 leaves out the 1000 ms run and start-up.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}
rounds=${3:-3}

if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "needs Xvfb: apt-get install xvfb xauth" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$build" "$seconds" "$rounds"
fi
export QT_QPA_PLATFORM=xcb
cmake --build "$build" --target polling_bench startup_bench tc24-sim >/dev/null
export TC24_SIM=$PWD/$build/bin/tc24-sim

# TC24_BUDGET_CASES="log trend,log" measures only those.
read -r -a cases <<<"${TC24_BUDGET_CASES:-none trend log trend,log}"
declare -A name=([none]="no view" [trend]="trend view on 全部" [log]="log open, following"
                 [trend,log]="trend view and log")
declare -A budget=([none]=10 [trend]=10 [log]=12 [trend,log]=12)
declare -A figures loads

echo "machine: $(nproc) cores, $(date -u +%FT%RZ); $rounds rounds of $seconds s per case"
echo "| round | case | load average (1 min) | polls | complete | spacing p99 ms | CPU of a core |"
echo "|---|---|---|---|---|---|---|"
for round in $(seq 1 "$rounds"); do
    for case in "${cases[@]}"; do
        load=$(cut -d' ' -f1 /proc/loadavg)
        views=$case
        [ "$case" = none ] && views=
        row=$(TC24_BENCH_VIEWS=$views "$build/bin/polling_bench" 19200 50 "$seconds" 2>/dev/null)
        # | baud | interval | s | polls | complete | median | p99 | max | user | system | CPU |
        IFS='|' read -r _ _ _ _ polls complete _ p99 _ _ _ cpu _ <<<"$row"
        cpu=$(echo "$cpu" | tr -d ' %')
        echo "| $round | ${name[$case]} | $load |$polls|$complete|$p99| $cpu % |"
        figures[$case]="${figures[$case]:-} $cpu"
        loads[$case]="${loads[$case]:-} $load"
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo
echo "| case | budget | median CPU of a core | rounds | load averages |"
echo "|---|---|---|---|---|"
status=0
for case in "${cases[@]}"; do
    m=$(echo "${figures[$case]}" | median)
    verdict=$(awk -v m="$m" -v b="${budget[$case]}" 'BEGIN {print (m < b) ? "met" : "MISSED"}')
    [ "$verdict" = met ] || status=1
    echo "| ${name[$case]} | < ${budget[$case]} % | **$m %** ($verdict) |${figures[$case]} |${loads[$case]} |"
done

if [ -z "${TC24_BUDGET_ONLY:-}" ]; then
    echo
    echo "no view at 1000 ms: $("$build/bin/polling_bench" 19200 1000 "$seconds" 2>/dev/null)"
    echo "start-up, 5 runs:"
    for _ in 1 2 3 4 5; do "$build/bin/startup_bench" 2>/dev/null; done
fi
exit $status

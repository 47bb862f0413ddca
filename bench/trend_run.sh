#!/usr/bin/env bash
# The trend view's long run: the real window under Xvfb polls tc24-sim (clean line) every
# 50 ms with the trend view open on "全部". Prints resident memory and CPU per minute, then
# the register queries as the communication log counts them (valid / bad), the window
# process's CPU seconds over wall seconds and the memory after the first minute and at the
# end. Usage: bash bench/trend_run.sh [seconds, default 1800] [baud, default 19200]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-1800}
baud=${2:-19200}

if ! command -v Xvfb >/dev/null; then
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        apt-get install -y xvfb >/dev/null
    else
        echo "Xvfb is needed: sudo apt-get install xvfb" >&2
        exit 1
    fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target polling_bench tc24-sim >/dev/null

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done

echo "== trend view on 全部, polling every 50 ms at $baud baud for $seconds s (Xvfb :$display)"
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
DISPLAY=":$display" QT_QPA_PLATFORM=xcb TC24_BENCH_TREND_RUN=1 TC24_SIM=$PWD/build/bin/tc24-sim \
    build/bin/polling_bench "$baud" 50 "$seconds" 2> >(grep -v -e '^QStandardPaths' >&2)

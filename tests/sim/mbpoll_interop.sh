#!/bin/sh
# An independent MODBUS master (mbpoll, built on libmodbus) reads the simulator's 24 holding
# registers over a pseudo-terminal and must get the table the simulator was given, and the
# same bytes the simulator logs. Usage: mbpoll_interop.sh path/to/tc24-sim
set -u

sim=${1:?usage: mbpoll_interop.sh path/to/tc24-sim}
if ! command -v mbpoll >/dev/null 2>&1; then
    echo "SKIP: mbpoll is not installed (Debian package mbpoll)"
    exit 77
fi

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- simulator log"
    cat "$work/log"
    exit 1
}

# Position 3 is empty and position 15 names a sensor that does not answer: both read 65535.
cat >"$work/sensors" <<'TABLE'
1 28FF11200316044A 25.34
2 28FF122003160404 -0.50
3 empty
4 28FF142003160498 21.00
5 28FF152003160455 19.87
6 28FF16200316041B -18.25
7 28FF1720031604D6 4.06
8 28FF1820031604B9 22.50
9 28FF192003160474 23.75
10 28FF1A200316043A 200.00
11 28FF1B20031604F7 -40.00
12 28FF1C20031604A6 0.00
13 28FF1D200316046B 18.19
14 28FF1E2003160425 20.44
15 28FF1F20031604E8 -
16 28FF202003160403 26.12
17 28FF2120031604CE 85.00
18 28FF222003160480 -455.35
19 28FF23200316044D 21.56
20 28FF24200316041C 22.00
21 28FF2520031604D1 0.01
22 28FF26200316049F 19.50
23 28FF272003160452 24.94
24 28FF28200316043D -5.06
TABLE
# The same table as unsigned register values, registers 0 to 23.
expected="2534 65486 65535 2100 1987 63711 406 2250 2375 20000 61536 0 1819 2044 65535 2612 8500 20001 2156 2200 1 1950 2494 65030"

"$sim" --sensors "$work/sensors" --baud 19200 --log --exit-after 90 >"$work/out" 2>"$work/log" &
pid=$!

device=
for _ in $(seq 1 100); do
    device=$(sed -n '1s/^device //p' "$work/out")
    [ -n "$device" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the simulator stopped at start-up"
    sleep 0.05
done
[ -n "$device" ] || fail "the simulator printed no device line"

# mbpoll numbers references from 1 by default: -r 1 is register 0.
mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 1 -c 24 -o 2 -1 "$device" >"$work/mbpoll" 2>&1 ||
    fail "mbpoll could not read the registers: $(cat "$work/mbpoll")"

# Lines look like "[2]: <tab>65486 (-50)"; take the unsigned value.
got=$(sed -n 's/^\[\([0-9]*\)\]:[[:space:]]*\([0-9]*\).*/\2/p' "$work/mbpoll" | tr '\n' ' ' | sed 's/ $//')
[ "$got" = "$expected" ] || fail "mbpoll read [$got], expected [$expected]"

# The reply the simulator logged carries the same 24 values.
reply=$(grep ' tx 01 03 30 ' "$work/log" | head -n 1 | sed 's/.* tx //; s/  (.*//')
[ -n "$reply" ] || fail "the simulator logged no 24-register reply"
logged=
set -- $reply
shift 3  # address, function code, byte count
for _ in $(seq 1 24); do
    logged="$logged${logged:+ }$(printf '%d' "0x$1$2")"
    shift 2
done
[ "$logged" = "$expected" ] || fail "the simulator logged [$logged], expected [$expected]"

# A partial read further up the map, and one beyond its end (a MODBUS exception).
mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 20 -c 5 -o 2 -1 "$device" >"$work/partial" 2>&1 ||
    fail "mbpoll partial read failed: $(cat "$work/partial")"
got=$(sed -n 's/^\[\([0-9]*\)\]:[[:space:]]*\([0-9]*\).*/\1=\2/p' "$work/partial" | tr '\n' ' ')
[ "$got" = "20=2200 21=1 22=1950 23=2494 24=65030 " ] || fail "partial read gave [$got]"

if mbpoll -m rtu -a 1 -b 19200 -P none -t 4 -r 24 -c 2 -o 2 -1 "$device" >"$work/beyond" 2>&1; then
    fail "a read beyond register 23 succeeded"
fi
grep -qi 'illegal data address' "$work/beyond" ||
    fail "a read beyond register 23 did not give 'Illegal data address': $(cat "$work/beyond")"

# Another station stays silent: mbpoll times out.
if mbpoll -m rtu -a 9 -b 19200 -P none -t 4 -r 1 -c 1 -o 0.3 -1 "$device" >"$work/other" 2>&1; then
    fail "station 9 answered"
fi

kill -TERM "$pid"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "the simulator exited with $status on SIGTERM"
grep -q '^requests 4 answered 3 ' "$work/out" || fail "unexpected summary: $(cat "$work/out")"
grep -q '^faults drop=0 ' "$work/out" || fail "no fault summary: $(cat "$work/out")"
echo "mbpoll read the 24 registers, a partial block and an exception as the simulator sent them"
exit 0

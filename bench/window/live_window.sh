#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window program reading from its simulated unit under a virtual X server,
# with the chart started (Start pressed with xdotool), measured from outside:
#
#   live_window.sh cpu [SECONDS]            CPU share of one core over SECONDS (60),
#                                           from VELMORA_CPU_FROM s after Start (5; from
#                                           about 105 the chart follows its data)
#   live_window.sh memory [MINUTES] [FROM]  VmRSS FROM minutes (5) and MINUTES (30)
#                                           after Start, and the growth between
#
# Prints `name value unit` lines on stdout, progress on stderr. The simulated unit
# runs as its own process (`velmora-cli sim`) on a pseudo-terminal, as a real unit
# sits behind a serial port, so the figures are the window's alone;
# VELMORA_SIM_INSIDE=1 runs it inside the program (`--simulate`) and counts it too.
# VELMORA_BIN: folder holding velmora (default: build-bench/bin of this tree).
# Needs xvfb-run, xdotool and ImageMagick (import, compare).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mode=${1:-}
case "$mode" in
cpu | memory) ;;
*)
    sed -n '2,14p' "$0" >&2
    exit 2
    ;;
esac

# Everything below runs inside its own X server.
if [[ -z "${VELMORA_LIVE_INNER:-}" ]]; then
    for tool in xvfb-run xdotool import compare; do
        command -v "$tool" >/dev/null || { echo "live_window.sh: $tool is missing" >&2; exit 3; }
    done
    VELMORA_LIVE_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

bin=${VELMORA_BIN:-$here/../../build-bench/bin}
work=$(mktemp -d /tmp/velmora-live-XXXXXX)
pid=
sim=
cleanup() {
    local p
    for p in "$pid" "$sim"; do
        if [[ -n "$p" ]]; then
            kill "$p" 2>/dev/null || true
            wait "$p" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The chart is started by the program itself: its button no longer sits at a fixed
# place in the window (menus, tool bar and status bar around it).
if [[ -n "${VELMORA_SIM_INSIDE:-}" ]]; then
    VELMORA_BENCH_START_CHART=1 "$bin/velmora" --simulate >"$work/velmora.log" 2>&1 &
    pid=$!
else
    "$bin/velmora-cli" sim --link "$work/unit" >"$work/sim.log" 2>&1 &
    sim=$!
    for _ in $(seq 1 100); do
        [[ -e "$work/unit" ]] && break
        sleep 0.05
    done
    VELMORA_BENCH_START_CHART=1 "$bin/velmora" --port "$work/unit" >"$work/velmora.log" 2>&1 &
    pid=$!
fi

# The window is shown once the unit was found and reading started.
wid=
for _ in $(seq 1 300); do
    wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
    [[ -n "$wid" ]] && break
    kill -0 "$pid" 2>/dev/null || { echo "velmora ended early:" >&2; cat "$work/velmora.log" >&2; exit 1; }
    sleep 0.1
done
[[ -n "$wid" ]] || { echo "live_window.sh: no window after 30 s" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$wid")" # WIDTH, HEIGHT

# Pixels of the window that change within a second: the readings and the chart.
window_changes() {
    import -silent -window "$wid" "$work/a.png"
    sleep 1.2
    import -silent -window "$wid" "$work/b.png"
    compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1 || true
}
sleep 2
after=$(window_changes)
if [[ "$after" == 0 ]]; then
    echo "live_window.sh: the window does not change: no readings?" >&2
    exit 1
fi
echo "window running (changed pixels in 1.2 s: $after)" >&2
started=$(date +%s)

# utime + stime of the whole process, in clock ticks (fields 14 and 15; the name
# in parentheses is skipped first).
cpu_ticks() {
    local stat
    stat=$(<"/proc/$pid/stat")
    stat=${stat##*) }
    read -r -a f <<<"$stat"
    echo $((f[11] + f[12]))
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }

if [[ "$mode" == cpu ]]; then
    seconds=${2:-60}
    sleep "${VELMORA_CPU_FROM:-5}" # past the start-up work
    t0=$(date +%s.%N)
    c0=$(cpu_ticks)
    sleep "$seconds"
    c1=$(cpu_ticks)
    t1=$(date +%s.%N)
    kill -0 "$pid" || { echo "velmora ended during the measurement" >&2; exit 1; }
    hz=$(getconf CLK_TCK)
    awk -v c="$((c1 - c0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
        printf "window_cpu_share %.2f %%\n", 100 * c / hz / (t1 - t0)
    }'
    exit 0
fi

minutes=${2:-30}
from=${3:-5}
rss_from=
while :; do
    sleep 60
    kill -0 "$pid" || { echo "velmora ended during the measurement" >&2; exit 1; }
    elapsed=$((($(date +%s) - started) / 60))
    rss=$(rss_kb)
    echo "minute $elapsed: VmRSS $rss kB" >&2
    if [[ -z "$rss_from" && $elapsed -ge $from ]]; then rss_from=$rss; fi
    ((elapsed >= minutes)) && break
done
echo "window_rss_${from}min $rss_from kB"
echo "window_rss_${minutes}min $rss kB"
awk -v a="$rss_from" -v b="$rss" 'BEGIN { printf "window_rss_growth %.2f MB\n", (b - a) / 1024 }'

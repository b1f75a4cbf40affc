#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start of the program to its window shown, with the simulated unit and with a
# port where no unit is, offscreen; the program measures itself (VELMORA_STALL_PROBE).
#
#   first_paint.sh [RUNS]   prints window_first_paint_ms_unit / _no_unit (medians)
# VELMORA_BIN: folder holding velmora and velmora-cli (default: build-bench/bin).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=${VELMORA_BIN:-$here/../../build-bench/bin}
runs=${1:-5}
work=$(mktemp -d /tmp/velmora-paint-XXXXXX)
sim=
cleanup() {
    if [[ -n "$sim" ]]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$bin/velmora-cli" sim --link "$work/unit" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 1 50); do [[ -e "$work/unit" ]] && break; sleep 0.1; done

# one PORT: the program's own figure, after 2 s of running.
one() {
    HOME="$work" QT_QPA_PLATFORM=offscreen VELMORA_STALL_PROBE="$work/probe" \
        "$bin/velmora" --port "$1" >>"$work/velmora.log" 2>&1 &
    local pid=$!
    sleep 2
    kill -TERM "$pid"
    wait "$pid" || true
    awk '$1 == "window_first_paint_ms" { print $2 }' "$work/probe"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for _ in $(seq 1 "$runs"); do one "$work/unit"; done | median |
    awk '{ print "window_first_paint_ms_unit " $1 " ms" }'
for _ in $(seq 1 "$runs"); do one "$work/no-such-port"; done | median |
    awk '{ print "window_first_paint_ms_no_unit " $1 " ms" }'

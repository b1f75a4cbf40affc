#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Long run of the window (`velmora`) under a virtual X server against
# `velmora-cli sim`, while the simulated unit is pulled out and plugged in again,
# silenced (every reply dropped) and made to corrupt replies, at random.
# Not part of CI.
#
# Usage: bench/soak/window_soak.sh [-d SECONDS] [-b BUILD_DIR] [-s SEED]
#   -d  how long to run (default 1800)
#   -b  build folder holding bin/velmora and bin/velmora-cli (default: build)
#   -s  seed for the fault schedule (default: random), to repeat a run
#
# Prints the faults injected, the window's resident memory after the first minute
# and at the end, and the longest stall of its event loop over the whole run (the
# window measures it itself, VELMORA_STALL_PROBE). Exit status 1 when the window
# died or ended with a non-zero status, its memory grew by more than 5 MB, or it
# stalled longer than 50 ms. That the window shows what the unit holds after each
# recovery is checked by tests/ui (tst_velmora_window) and tests/link.
set -euo pipefail

duration=1800
build=build
seed=$RANDOM
while getopts "d:b:s:h" opt; do
  case $opt in
    d) duration=$OPTARG ;;
    b) build=$OPTARG ;;
    s) seed=$OPTARG ;;
    *) sed -n '2,17p' "$0"; exit 2 ;;
  esac
done

if [[ -z "${VELMORA_SOAK_INNER:-}" ]]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is missing" >&2; exit 3; }
  VELMORA_SOAK_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" -d "$duration" -b "$build" -s "$seed"
fi
RANDOM=$seed
bin=$build/bin
[[ -x $bin/velmora && -x $bin/velmora-cli ]] || { echo "build velmora and velmora-cli first" >&2; exit 2; }

work=$(mktemp -d)
link=$work/ttyEMU
export HOME=$work XDG_CONFIG_HOME=$work # the remembered port stays out of the user's settings
sim_pid=
win_pid=
stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
cleanup() {
  stop_sim
  if [[ -n $win_pid ]]; then kill -TERM "$win_pid" 2>/dev/null || true; wait "$win_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
start_sim() { # extra sim options
  "$bin/velmora-cli" sim --link "$link" "$@" >>"$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 50); do [[ -e $link ]] && break; sleep 0.1; done
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$win_pid/status"; }

start_sim
VELMORA_STALL_PROBE=$work/probe VELMORA_BENCH_START_CHART=1 "$bin/velmora" --port "$link" \
  >"$work/velmora.log" 2>&1 &
win_pid=$!
sleep 60
rss_start=$(rss_kb)
pulls=0 silences=0 corruptions=0
end=$((SECONDS + duration - 60))
while ((SECONDS < end)); do
  sleep $((5 + RANDOM % 20))
  kill -0 "$win_pid" 2>/dev/null || { echo "window_soak: the window died" >&2; cat "$work/velmora.log" >&2; exit 1; }
  stop_sim
  case $((RANDOM % 4)) in
    0) pulls=$((pulls + 1)); sleep $((1 + RANDOM % 5)); start_sim ;;
    1) silences=$((silences + 1)); start_sim --drop-every 1; sleep $((2 + RANDOM % 8)); stop_sim; start_sim ;;
    2) corruptions=$((corruptions + 1)); start_sim --corrupt-every $((2 + RANDOM % 5)) ;;
    3) start_sim ;;
  esac
done
sleep 10
rss_end=$(rss_kb)
kill -TERM "$win_pid"
status=0
wait "$win_pid" || status=$?
win_pid=
stall=$(awk '$1 == "window_max_stall_ms" { print $2 }' "$work/probe" 2>/dev/null || echo n/a)
echo "seed $seed"
echo "faults pulls=$pulls silences=$silences corruptions=$corruptions"
echo "window_rss_start $rss_start kB"
echo "window_rss_end $rss_end kB"
echo "window_rss_growth $(( (rss_end - rss_start) / 1024 )) MB"
echo "window_max_stall_ms $stall"
echo "window_exit $status"
fail=0
((status == 0)) || fail=1
(( rss_end - rss_start <= 5 * 1024 )) || fail=1
[[ $stall != n/a ]] && ((stall <= 50)) || fail=1
exit $fail

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Long run of `velmora-cli monitor --reconnect` against `velmora-cli sim` while the
# simulated unit is unplugged, replugged and made to drop or corrupt replies at
# random. Not part of CI.
#
# Usage: bench/soak/monitor_soak.sh [-d SECONDS] [-b BUILD_DIR] [-s SEED]
#   -d  how long to run (default 600)
#   -b  build folder holding bin/velmora-cli (default: build)
#   -s  seed for the fault schedule (default: random), to repeat a run
#
# Reports samples read, faults injected, link losses the monitor saw, reconnections,
# and the monitor's resident memory at start and end. Exit status 1 when the monitor
# died, ended with a non-zero status, or stopped reading.
set -euo pipefail

duration=600
build=build
seed=$RANDOM
while getopts "d:b:s:h" opt; do
  case $opt in
    d) duration=$OPTARG ;;
    b) build=$OPTARG ;;
    s) seed=$OPTARG ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
  esac
done
RANDOM=$seed

cli=$build/bin/velmora-cli
[[ -x $cli ]] || { echo "no $cli; build the velmora-cli target first" >&2; exit 2; }

work=$(mktemp -d)
link=$work/ttyEMU
export XDG_CONFIG_HOME=$work # the remembered port stays out of the user's settings
sim_pid=
mon_pid=

stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
restarts=-1 # the first start is no fault
start_sim() { # extra options for the sim
  restarts=$((restarts + 1))
  "$cli" sim --link "$link" "$@" >/dev/null 2>>"$work/sim.err" &
  sim_pid=$!
  for _ in $(seq 50); do [[ -L $link ]] && return 0; sleep 0.1; done
  echo "the simulated unit did not start" >&2
  return 1
}
cleanup() {
  [[ -n $mon_pid ]] && kill -KILL "$mon_pid" 2>/dev/null || true
  stop_sim
  rm -rf "$work"
}
trap cleanup EXIT

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo "?"; }
samples() { local n; n=$(wc -l <"$work/monitor.out"); echo $((n > 0 ? n - 1 : 0)); }

start_sim
"$cli" monitor --port "$link" --reconnect >"$work/monitor.out" 2>"$work/monitor.err" &
mon_pid=$!
sleep 3
rss_start=$(rss_kb "$mon_pid")

faults=0
end=$((SECONDS + duration))
while ((SECONDS < end)); do
  sleep $((5 + RANDOM % 20))
  ((SECONDS < end)) || break
  kill -0 "$mon_pid" 2>/dev/null || break
  faults=$((faults + 1))
  case $((RANDOM % 3)) in
    0) # cable out for a while
       stop_sim
       sleep $((1 + RANDOM % 6))
       start_sim ;;
    1) stop_sim; start_sim --drop-every $((2 + RANDOM % 10)) ;;
    2) stop_sim; start_sim --corrupt-every $((2 + RANDOM % 10)) ;;
  esac
  sleep $((5 + RANDOM % 10))
  stop_sim
  start_sim
  # Readings must come back after every fault: give the monitor time to notice the
  # restart (three read time-outs at most), then expect new samples.
  sleep 4
  before=$(samples)
  for _ in $(seq 100); do (($(samples) > before)) && break; sleep 0.1; done
  if (($(samples) <= before)); then
    echo "no readings after fault $faults" >&2
    break
  fi
done

rss_end=$(rss_kb "$mon_pid")
status=0
if kill -0 "$mon_pid" 2>/dev/null; then
  kill -INT "$mon_pid"
  wait "$mon_pid" || status=$?
else
  wait "$mon_pid" || status=$?
  echo "the monitor ended early" >&2
  status=${status:-1}
  ((status != 0)) || status=1
fi
mon_pid=

echo "seed:             $seed"
echo "duration:         ${duration} s"
echo "samples read:     $(samples)"
echo "faults injected:  $faults ($restarts restarts of the unit, each one a lost link)"
echo "links lost:       $(grep -c 'connection lost' "$work/monitor.err" || true)"
echo "reconnections:    $(grep -c 'reconnected' "$work/monitor.err" || true)"
echo "resident memory:  ${rss_start} kB at start, ${rss_end} kB at end"
echo "monitor status:   $status"
if ((status != 0)); then
  echo "--- monitor stderr (last lines)" >&2
  tail -20 "$work/monitor.err" >&2
  exit 1
fi

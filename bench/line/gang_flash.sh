#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Programming several units in one run of the console tool, against simulated units
# at line speed (sim --paced), each its own process so their CPU is not ours.
#
#   VELMORA_BIN=build-bench/bin bench/line/gang_flash.sh [UNITS] [RUNS]
#
# Prints gang_flash_one (one unit alone), gang_flash_8 (UNITS at once), their ratio,
# and the console tool's CPU per unit while programming UNITS at once: user + system
# time of the velmora-cli process over (wall time x UNITS), in % of one core.
# Medians of RUNS runs each.
set -euo pipefail

bin=${VELMORA_BIN:?set VELMORA_BIN to the folder holding velmora-cli}
units=${1:-8}
runs=${2:-1}
cli=$bin/velmora-cli
out=$(mktemp -d /tmp/velmora-gang-XXXXXX)
firmware=$(ls "$bin/Draxton Firmware/33EP/"*.afm 2>/dev/null | head -1 || true)
if [[ -z "$firmware" ]]; then
    firmware=$out/sample.afm
    "$cli" make-firmware "$firmware" >/dev/null
fi
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$out"
}
trap cleanup EXIT

ports=()
for i in $(seq 1 "$units"); do
    "$cli" sim --paced --link "$out/unit$i" >"$out/sim$i.out" 2>/dev/null &
    sims+=($!)
    ports+=("$out/unit$i")
done
for i in $(seq 1 "$units"); do
    for _ in $(seq 1 100); do [[ -s "$out/sim$i.out" ]] && break; sleep 0.05; done
done

# timed FILE ARGS...: "wall user system" seconds of one velmora-cli run into FILE.
timed() {
    local file=$1
    shift
    VELMORA_SETTINGS_FILE="$out/settings.ini" XDG_DATA_HOME="$out/data" \
        /usr/bin/time -f "%e %U %S" -o "$file" "$cli" "$@" >/dev/null 2>>"$out/cli.log" || {
        echo "gang_flash: velmora-cli $* failed:" >&2
        tail -20 "$out/cli.log" >&2
        return 1
    }
}

port_args=()
for p in "${ports[@]}"; do port_args+=(--port "$p"); done
for r in $(seq 1 "$runs"); do
    timed "$out/one.$r" flash "$firmware" --yes --port "${ports[0]}"
    timed "$out/all.$r" flash "$firmware" --yes "${port_args[@]}"
done

python3 - "$out" "$runs" "$units" <<'PY'
import statistics, sys
out, runs, units = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
read = lambda name: [list(map(float, open(f"{out}/{name}.{r}").read().split()[-3:])) for r in range(1, runs + 1)]
one, all_ = read("one"), read("all")
one_wall = statistics.median(w for w, u, s in one)
all_wall = statistics.median(w for w, u, s in all_)
cpu = statistics.median(100 * (u + s) / (w * units) for w, u, s in all_)
print(f"gang_flash_one {one_wall * 1000:.0f} ms")
print(f"gang_flash_{units} {all_wall * 1000:.0f} ms")
print(f"gang_flash_ratio_{units} {all_wall / one_wall:.3f} x")
print(f"gang_flash_cpu_per_unit {cpu:.2f} %")
PY

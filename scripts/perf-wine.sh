#!/usr/bin/env bash
# The plugin's share of a frame under Wine, in the simulated game with 1,024 peds: a settled
# world and one that changes every frame (sim/scenarios/perf-settled.json, perf-churn.json),
# each played with --profile-timing. Prints the machine, then for each world the median and
# 95th percentile of the plugin's slice (scriptMain between two scriptWait calls) and of its
# parts, in microseconds and as a share of a 16.7 ms frame.
# Each world is played twice: with the processes where the scheduler puts them, then with the
# game and its wineserver pinned to one CPU (taskset -c 0). Every kernel32 profile read makes
# round trips to the wineserver, and on an otherwise idle virtual machine each one that
# crosses to the other CPU has to wake it: the two placements give the profile reads' range.
#   scripts/perf-wine.sh [veltrane-sim options, e.g. --frames 2010]
# Builds the windows preset into its own directory, build/perf-wine (VELTRANE_BUILD_DIR
# chooses another). Times vary with the machine's load: run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/perf-common.sh
perf_build veltrane_sim

perf_machine
echo "system: $(uname -sr), $(wine --version 2>/dev/null)"
perf_load before
for placement in free one-cpu; do
    pin=()
    [ "$placement" = one-cpu ] && pin=(taskset -c 0)
    for world in settled churn; do
        perf_fresh_wineserver
        echo
        echo "== $world world, $placement"
        "${pin[@]}" scripts/wine-run.sh "$build/veltrane-sim.exe" "sim/scenarios/perf-$world.json" --profile-timing \
            --game-dir "$build/perf-game-$world" "$@"
    done
done
echo
perf_load after

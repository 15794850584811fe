#!/usr/bin/env bash
# What loading a plugin costs, in the simulated game under Wine: Veltrane.asi beside the control
# asi_probe.asi (a plugin of ours with no C++ runtime at all), each played alone in
# sim/scenarios/perf-load.json (the settled world of 1,024 peds, the plugin loaded again 100
# times) with veltrane-sim --load-timing. Prints the medians of LoadLibrary (to the end of
# DllMain), the first frame after a load and the next one, then the pages of each plugin's image
# that a settled frame touches (--touched-pages). The plugins take turns over ROUNDS rounds (5), each
# run with the game and a wineserver of its own pinned to one CPU (see scripts/perf-wine.sh).
#   [ROUNDS=5] scripts/perf-load.sh [another Veltrane.asi to measure as well, e.g. an older build]
# Builds the windows preset into build/perf-wine (VELTRANE_BUILD_DIR chooses another).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/perf-common.sh
perf_build veltrane_sim asi_probe
runs="$build/perf-load"
rm -rf "$runs"
# The scenario reloads "Veltrane.asi": each plugin goes in under that name.
declare -A plugins=([Veltrane.asi]="$build/Veltrane.asi" [asi_probe.asi]="$build/asi_probe.asi")
order=(Veltrane.asi asi_probe.asi)
if [ $# -gt 0 ]; then plugins[given]="$1"; order+=(given); fi

perf_machine
perf_load before
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for name in "${order[@]}"; do
    mkdir -p "$runs/$name"
    cp "${plugins[$name]}" "$runs/$name/Veltrane.asi"
done
rounds="${ROUNDS:-5}"
for round in $(seq "$rounds"); do
    for name in "${order[@]}"; do
        perf_fresh_wineserver
        taskset -c 0 scripts/wine-run.sh "$build/veltrane-sim.exe" sim/scenarios/perf-load.json --quiet \
            --plugin "$runs/$name/Veltrane.asi" --game-dir "$runs/$name/game" --load-timing "$runs/$name/loads-$round.csv"
    done
done
for name in "${order[@]}"; do
    size=$(stat -c %s "$runs/$name/Veltrane.asi")
    pages=$(scripts/wine-run.sh "$build/veltrane-sim.exe" sim/scenarios/perf-settled.json --summary --frames 30 \
        --plugin "$runs/$name/Veltrane.asi" --game-dir "$runs/$name/game-pages" --touched-pages 20 | grep '^pages of')
    # Load 0 of each run is the first, by the ASI loader; the reloads (1-100) are the sample.
    reloads() { awk -F, -v c="$1" 'FNR > 2 { print $c }' "$runs/$name"/loads-*.csv; }
    first() { awk -F, -v c="$1" 'FNR == 2 { print $c }' "$runs/$name"/loads-*.csv | tr '\n' ' '; }
    echo
    echo "== $name (${plugins[$name]}, $size bytes)"
    echo "  first loads ($rounds runs): LoadLibrary $(first 4)µs; first frame $(first 5)µs; next frame $(first 6)µs"
    echo "  $((rounds * 100)) reloads, medians: LoadLibrary $(reloads 4 | median) µs, first frame $(reloads 5 | median) µs," \
         "next frame $(reloads 6 | median) µs"
    echo -n "  LoadLibrary's median in each run:"
    for file in "$runs/$name"/loads-*.csv; do echo -n " $(awk -F, 'FNR > 2 { print $4 }' "$file" | median)"; done
    echo " µs"
    echo "  ${pages/pages of Veltrane.asi/pages}"
done
echo
perf_load after

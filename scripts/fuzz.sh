#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds each (default 240), one after the
# other, from the committed seeds plus what earlier runs found (kept in build/fuzz-runs/).
# Prints libFuzzer's final statistics per target (the whole log is build/fuzz-runs/<target>.log);
# a finding stops the script with the input saved under build/fuzz-runs/artifacts/.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-240}
shift || true
targets=("$@")

cmake --preset fuzz >/dev/null
# The targets, their input sizes and dictionaries, as fuzz/CMakeLists.txt lists them.
declare -A max_len dict
all=()
while read -r name length dictionary; do
    all+=("$name")
    max_len[$name]=$length
    dict[$name]=$dictionary
done < build/fuzz/fuzz/targets.txt
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
for target in "${targets[@]}"; do
    [ -n "${max_len[$target]:-}" ] || { echo "no fuzz target $target; there are: ${all[*]}" >&2; exit 2; }
done
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"

runs=$PWD/build/fuzz-runs
mkdir -p "$runs/artifacts"
for target in "${targets[@]}"; do
    mkdir -p "$runs/corpus/$target"
    echo "== $target: ${seconds}s"
    status=0
    nice build/fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -dict="${dict[$target]}" -artifact_prefix="$runs/artifacts/$target-" \
        "$runs/corpus/$target" "$PWD/fuzz/corpus/$target" >"$runs/$target.log" 2>&1 || status=$?
    grep -E '^(stat::|Done|INFO: seed corpus)|property broken|ERROR|SUMMARY' "$runs/$target.log" || true
    [ "$status" -eq 0 ] || { echo "$target: finding (exit $status), see $runs/$target.log and $runs/artifacts/"; exit 1; }
done

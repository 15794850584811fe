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
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_parse_int fuzz_parse_bool fuzz_parse_float fuzz_profile fuzz_frame)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

runs=$PWD/build/fuzz-runs
mkdir -p "$runs/artifacts"
for target in "${targets[@]}"; do
    case $target in
        fuzz_profile) max_len=65536 ;;
        fuzz_frame) max_len=8192 ;;
        *) max_len=512 ;;
    esac
    mkdir -p "$runs/corpus/$target"
    echo "== $target: ${seconds}s"
    status=0
    nice build/fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -dict="$PWD/fuzz/veltrane.dict" -artifact_prefix="$runs/artifacts/$target-" \
        "$runs/corpus/$target" "$PWD/fuzz/corpus/$target" >"$runs/$target.log" 2>&1 || status=$?
    grep -E '^(stat::|Done|INFO: seed corpus)|property broken|ERROR|SUMMARY' "$runs/$target.log" || true
    [ "$status" -eq 0 ] || { echo "$target: finding (exit $status), see $runs/$target.log and $runs/artifacts/"; exit 1; }
done

#!/usr/bin/env bash
# The plugin's per-frame cost against the bare native calls, measured twice: in CPU time with
# Google Benchmark (fastest of interleaved repetitions), and in instructions with callgrind,
# which counts exactly and gives the same figures on every run. Both end on the per-ped
# overhead ratio, (pass over 1,024 peds - pass over 0 peds) / bare native calls; the bar is 1.10.
#   scripts/bench.sh [benchmark options...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc 2>/dev/null || echo 2)" --target veltrane_bench >/dev/null
bench=build/bench/bench/veltrane_bench

echo "== CPU time: fastest of 15 interleaved repetitions"
# Debian's library warns that it was built without optimisation; only its own code is.
"$bench" --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true "$@" 2>&1 | grep -v '^\*\*\*WARNING' | grep -v -E '_(mean|median|stddev|cv) '

echo "== Instructions: callgrind, each workload run 20 times between a zeroing and a dump"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" "$bench" --instruction-counts 20 \
    >/dev/null 2>"$out/valgrind.log" || { cat "$out/valgrind.log"; exit 1; }
awk -v rounds=20 '
    /^desc: Trigger: Client Request:/ { name = $5 }
    /^summary:/ { if (name != "") count[name] = $2; name = "" }
    END {
        split("pass0 pass1024 bare frame1024", order, " ")
        for (i = 1; i <= 4; ++i) printf "%-10s %12.0f instructions per run\n", order[i], count[order[i]] / rounds
        printf "per-ped overhead ratio (pass1024 - pass0) / bare, in instructions: %.3f\n",
               (count["pass1024"] - count["pass0"]) / count["bare"]
    }' "$out"/callgrind.out.*

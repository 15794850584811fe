#!/usr/bin/env bash
# Builds the windows preset into BUILD_DIR (the log goes to BUILD_DIR/build.log and its tail is
# shown on failure), then makes the Wine prefix BUILD_DIR/wineprefix that runs its programs.
#   scripts/windows-build.sh BUILD_DIR [TARGET...]     (no target: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
shift
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
log="$build/build.log"
mkdir -p "$build"
echo "building the Windows build in $build (log: $log)" >&2
if ! { cmake --preset windows -B "$build" && cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" "${targets[@]}"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    exit 1
fi
scripts/wine-prefix.sh "$build/wineprefix"

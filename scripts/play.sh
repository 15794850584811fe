#!/usr/bin/env bash
# The plugin's main job, seen working on this machine: installs what is missing, builds
# everything for Windows (Veltrane.asi, the stand-in ScriptHookRDR2.dll, veltrane-sim.exe),
# and plays the default scenario under Wine with the real DLL, printing the report.
# Arguments go to veltrane-sim.exe: another scenario file, --trace FILE, --help, ...
# The game directory (with the Veltrane.ini the plugin wrote) is left in build/windows/game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build="${VELTRANE_BUILD_DIR:-build/windows}"
log="$build/play-build.log"
mkdir -p "$build"
echo "play: building everything in $build (log: $log)" >&2
if ! { cmake --preset windows -B "$build" && cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    exit 1
fi

# The same Wine prefix the build's tests use, made before the first run.
export WINEPREFIX="$PWD/$build/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX"

scenario=()
if [ $# -eq 0 ] || [[ "$1" == -* ]]; then scenario=(sim/scenarios/default.json); fi
exec scripts/wine-run.sh "$build/veltrane-sim.exe" "${scenario[@]}" --game-dir "$build/game" "$@"

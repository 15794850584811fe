#!/usr/bin/env bash
# The plugin's main job, seen working on this machine: installs what is missing, builds
# everything for Windows (Veltrane.asi, the stand-in ScriptHookRDR2.dll, veltrane-sim.exe),
# and plays the default scenario under Wine with the real DLL, printing the report; the run is
# also drawn as an HTML page, whose path it prints.
# Arguments go to veltrane-sim.exe: another scenario file, --trace FILE, --help, ...
# The game directory (with the Veltrane.ini the plugin wrote) is left in build/windows/game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build="${VELTRANE_BUILD_DIR:-build/windows}"
scripts/windows-build.sh "$build"
# The same Wine prefix the build's tests use.
export WINEPREFIX="$PWD/$build/wineprefix"

scenario=()
if [ $# -eq 0 ] || [[ "$1" == -* ]]; then scenario=(sim/scenarios/default.json); fi
# The default scenario's run is also drawn as a page, unless the arguments ask for a page of
# their own or for a run that keeps no frames.
page=()
if [ ${#scenario[@]} -gt 0 ] && ! [[ " $* " =~ \ --(html|summary|profile-timing)[\ =] ]]; then
    page=(--html "$build/default-scenario.html")
    rm -f "$build/default-scenario.html"
fi
status=0
scripts/wine-run.sh "$build/veltrane-sim.exe" "${scenario[@]}" --game-dir "$build/game" "${page[@]}" "$@" || status=$?
if [ ${#page[@]} -gt 0 ] && [ -f "$build/default-scenario.html" ]; then
    echo "The run as a page: $PWD/$build/default-scenario.html"
fi
exit "$status"

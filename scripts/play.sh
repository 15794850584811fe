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
# their own or for a run that keeps no frames. The page is written beside the last one and
# takes its place only when the run drew one: --help, a wrong option or a game that could not
# start leave the last page as it was.
page=()
if [ ${#scenario[@]} -gt 0 ] && ! [[ " $* " =~ \ --(html|summary|profile-timing)[\ =] ]]; then
    page=(--html "$build/default-scenario.html.new")
    rm -f "$build/default-scenario.html.new"
fi
status=0
scripts/wine-run.sh "$build/veltrane-sim.exe" "${scenario[@]}" --game-dir "$build/game" "${page[@]}" "$@" || status=$?
if [ ${#page[@]} -gt 0 ]; then
    if [ -s "$build/default-scenario.html.new" ]; then
        mv -f "$build/default-scenario.html.new" "$build/default-scenario.html"
        echo "The run as a page: $PWD/$build/default-scenario.html"
    else
        rm -f "$build/default-scenario.html.new"
    fi
fi
exit "$status"

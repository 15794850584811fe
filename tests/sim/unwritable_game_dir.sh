#!/usr/bin/env bash
# Plays unwritable_game_dir.json in a game directory where Veltrane.ini can't be created, and
# checks that the plugin stays idle, writes its default file again in every frame (45 profile
# writes at start-up and 45 per frame, counted from Wine's own trace of kernel32's profile
# functions) and that the directory stays empty.
#
# Root writes through any permission bits, so as root the game runs as the unprivileged user
# nobody, with a Wine prefix and a home of its own under /tmp (the results are copied to the run
# directory). As any other user the directory loses its write permission. Either way a probe write must fail first: when the
# directory can't be made unwritable, the test fails instead of passing.
#
# Usage: unwritable_game_dir.sh SIM_EXE SCENARIO RUN_DIR
set -euo pipefail
sim=$(realpath "$1") scenario=$(realpath "$2") run=$(realpath -m "$3")
scripts=$(realpath "$(dirname "$0")/../../scripts")
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || fail "setpriv is missing: can't run the game as an unprivileged user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    # nobody may not reach the build tree (a clone under /root, say): everything it needs goes
    # to a directory of its own under /tmp, one per run directory so that trees don't share it.
    base=/tmp/veltrane-unwritable-$(printf '%s' "$run" | md5sum | cut -c1-12)
    mkdir -p "$base/home" "$base/bin"
    chmod 0755 "$base" "$base/bin"
    chown nobody:nogroup "$base/home" || fail "can't give $base/home to nobody"
    cp "$sim" "$(dirname "$sim")/ScriptHookRDR2.dll" "$(dirname "$sim")/Veltrane.asi" "$scenario" "$base/bin/"
    chmod 0644 "$base/bin/"*
    cp "$scripts/wine-prefix.sh" "$scripts/wine-run.sh" "$base/bin/"
    chmod 0755 "$base/bin/"*.sh
    sim=$base/bin/$(basename "$sim") scenario=$base/bin/$(basename "$scenario") scripts=$base/bin
    home=$base/home prefix=$base/home/wineprefix game=$base/game out=$base/out
    rm -rf "$game" "$out"
    mkdir -p "$game" "$out"
    chown nobody:nogroup "$out"
    # The game directory stays root's, 0755: nobody can read it, not write to it.
    chmod 0755 "$game"
else
    as_user=()
    home=$HOME
    prefix=${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the build}
    game=$run/game out=$run/out
    if [ -d "$game" ]; then chmod u+w "$game"; fi
    rm -rf "$game" "$out"
    mkdir -p "$game" "$out"
    chmod 0555 "$game"
fi

"${as_user[@]}" test -r "$sim" || fail "$sim can't be read by the user that runs the game"
if "${as_user[@]}" sh -c ": > '$game/probe'" 2>/dev/null; then
    rm -f "$game/probe"
    fail "the game directory $game is writable by the user that runs the game"
fi

run_as() { "${as_user[@]}" env HOME="$home" WINEPREFIX="$prefix" "$@"; }
run_as "$scripts/wine-prefix.sh" "$prefix" || fail "no Wine prefix at $prefix for the user that runs the game"

frames=$(sed -n 's/.*"frames": *\([0-9]*\).*/\1/p' "$scenario" | head -1)
status=0
run_as WINEDEBUG=trace+profile "$scripts/wine-run.sh" "$sim" "$scenario" --game-dir "$game" \
    --trace "$out/trace.jsonl" >"$out/report.txt" 2>"$out/wine.log" || status=$?
if [ "$out" != "$run/out" ]; then
    rm -rf "$run/out" && mkdir -p "$run" && cp -r "$out" "$run/out" && out=$run/out
fi
[ "$status" -eq 0 ] || fail "the game exited with status $status (see $out/wine.log)"

played=$(grep -c '"type":"frame"' "$out/trace.jsonl" || true)
idle=$(grep -c '"type":"frame".*"natives":0,' "$out/trace.jsonl" || true)
writes=$(grep -c 'trace:profile:WritePrivateProfileStringW (.*Veltrane\.ini' "$out/wine.log" || true)
left=$(ls -A "$game")
echo "frames played: $played; frames without a native call: $idle"
expected=$((45 * (frames + 1)))
echo "profile writes to Veltrane.ini: $writes (45 at start-up and 45 per frame make $expected)"
echo "game directory afterwards: ${left:-empty}"
[ "$played" -eq "$frames" ] || fail "played $played frames of $frames"
[ "$idle" -eq "$frames" ] || fail "the plugin called natives in $((frames - idle)) frame(s)"
[ "$writes" -eq "$expected" ] || fail "the default file was not written again in every frame"
[ -z "$left" ] || fail "the game directory is not empty: $left"
echo "PASS"

#!/usr/bin/env bash
# Plays unwritable_game_dir.json in a game directory where Veltrane.ini can't be created, and
# checks that the plugin stays idle, writes its default file again in every frame (one profile
# write per default entry at start-up and again per frame, counted from Wine's own trace of
# kernel32's profile functions) and that the directory stays empty.
#
# Root writes through any permission bits, so as root the game runs as the unprivileged user
# nobody, with a Wine prefix and a home of its own under /tmp (the results are copied to the run
# directory). Where nobody can't even start a program (a chroot whose root only root may enter),
# root plays it instead in a mount namespace of its own, with the game directory bind-mounted
# read-only and a Wine prefix (and so a wineserver) of that namespace. As any other user the
# directory loses its write permission. Either way a probe write must fail first: when the
# directory can't be made unwritable, the test fails instead of passing.
#
# Usage: unwritable_game_dir.sh SIM_EXE SCENARIO RUN_DIR DEFAULT_ENTRIES
source "$(dirname "$0")/sim_script_start.sh" "$@"
entries=$4  # in the default file
as_user=() in_namespace=()

if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || fail "setpriv is missing: can't run the game as an unprivileged user"
    nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    # nobody may not reach the build tree (a clone under /root, say): everything it needs goes
    # to a directory of its own under /tmp, one per run directory so that trees don't share it.
    base=/tmp/veltrane-unwritable-$(printf '%s' "$run" | md5sum | cut -c1-12)
    rm -rf "$base"
    mkdir -p "$base/home" "$base/bin"
    chmod 0755 "$base" "$base/bin"
    chown nobody:nogroup "$base/home" || fail "can't give $base/home to nobody"
    cp "$sim" "$(dirname "$sim")/asi-loader.dll" "$(dirname "$sim")/ScriptHookRDR2.dll" "$(dirname "$sim")/Veltrane.asi" \
       "$scenario" "$base/bin/"
    chmod 0644 "$base/bin/"*
    cp "$scripts/wine-prefix.sh" "$scripts/wine-run.sh" "$base/bin/"
    chmod 0755 "$base/bin/"*.sh
    if "${nobody[@]}" test -r "$base/bin/$(basename "$sim")" 2>/dev/null; then
        echo "the game runs as nobody in a directory it may read but not write"
        as_user=("${nobody[@]}")
        sim=$base/bin/$(basename "$sim") scenario=$base/bin/$(basename "$scenario") scripts=$base/bin
        home=$base/home prefix=$base/home/wineprefix game=$base/game out=$base/out
        rm -rf "$game" "$out"
        mkdir -p "$game" "$out"
        chown nobody:nogroup "$out"
        # The game directory stays root's, 0755: nobody can read it, not write to it.
        chmod 0755 "$game"
    else
        echo "nobody can't start a program here: root plays with the game directory mounted read-only"
        rm -rf "$base"
        command -v unshare >/dev/null || fail "unshare is missing: can't mount the game directory read-only"
        # In a chroot "/" is no mount point and can't be made private; whoever made the chroot
        # already keeps its mounts to itself, so the namespace leaves propagation as it is.
        propagation=private
        unshare --mount --propagation private true 2>/dev/null || propagation=unchanged
        unshare --mount --propagation "$propagation" true || fail "can't make a mount namespace"
        home=$HOME prefix=$run/wineprefix-readonly game=$run/game out=$run/out
        rm -rf "$game" "$out"
        mkdir -p "$game" "$out"
        # The namespace holds the read-only mount; every command of the run goes through one.
        namespace_script='mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" || exit 97; shift; exec "$@"'
        in_namespace=(unshare --mount --propagation "$propagation" bash -c "$namespace_script" namespace "$game")
    fi
else
    home=$HOME
    prefix=${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the build}
    game=$run/game out=$run/out
    if [ -d "$game" ]; then chmod u+w "$game"; fi
    rm -rf "$game" "$out"
    mkdir -p "$game" "$out"
    chmod 0555 "$game"
fi

"${as_user[@]}" test -r "$sim" || fail "$sim can't be read by the user that runs the game"
run_as() { "${in_namespace[@]}" "${as_user[@]}" env HOME="$home" WINEPREFIX="$prefix" "$@"; }
if run_as sh -c ": > '$game/probe'" 2>/dev/null; then
    rm -f "$game/probe"
    fail "the game directory $game is writable by the user that runs the game"
fi

frames=$(sed -n 's/.*"frames": *\([0-9]*\).*/\1/p' "$scenario" | head -1)
status=0
# The prefix, the game and the end of its wineserver in one go: in a namespace of its own the
# server must live and end there, since it is the server that opens files.
run_as bash -c '"$1" "$WINEPREFIX" >/dev/null || exit 96
    WINEDEBUG=trace+profile "$2" "$3" "$4" --game-dir "$5" --trace "$6/trace.jsonl" >"$6/report.txt" 2>"$6/wine.log"
    status=$?
    wineserver -k 2>/dev/null || true
    exit $status' run "$scripts/wine-prefix.sh" "$scripts/wine-run.sh" "$sim" "$scenario" "$game" "$out" || status=$?
[ "$status" -ne 96 ] || fail "no Wine prefix at $prefix for the user that runs the game"
[ "$status" -ne 97 ] || fail "can't mount the game directory read-only"
if [ "$out" != "$run/out" ]; then
    rm -rf "$run/out" && mkdir -p "$run" && cp -r "$out" "$run/out" && out=$run/out
fi
[ "$status" -eq 0 ] || fail "the game exited with status $status (see $out/wine.log)"

played=$(grep -c '"type":"frame"' "$out/trace.jsonl" || true)
idle=$(grep -c '"type":"frame".*"natives":0,' "$out/trace.jsonl" || true)
writes=$(grep -c 'trace:profile:WritePrivateProfileStringW (.*Veltrane\.ini' "$out/wine.log" || true)
left=$(ls -A "$game")
echo "frames played: $played; frames without a native call: $idle"
expected=$((entries * (frames + 1)))
echo "profile writes to Veltrane.ini: $writes ($entries at start-up and $entries per frame make $expected)"
echo "game directory afterwards: ${left:-empty}"
[ "$played" -eq "$frames" ] || fail "played $played frames of $frames"
[ "$idle" -eq "$frames" ] || fail "the plugin called natives in $((frames - idle)) frame(s)"
[ "$writes" -eq "$expected" ] || fail "the default file was not written again in every frame"
[ -z "$left" ] || fail "the game directory is not empty: $left"
echo "PASS"

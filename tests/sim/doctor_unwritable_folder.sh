#!/usr/bin/env bash
# The doctor's write-access check on a complete game folder without Veltrane.ini that can't be
# written: it must fail that check (and the settings file's), exit 1, and leave the folder as
# it was. As in unwritable_game_dir.sh, root writes through any permission bits, so as root the
# folder is bind-mounted read-only in a mount namespace of its own, with a Wine prefix (and so a
# wineserver) of that namespace; anyone else loses the folder's write permission. A probe write
# must fail first: when the folder can't be made unwritable, the test fails instead of passing.
# Then --install into that folder must fail as a whole (exit 2, "access denied", what to do),
# leaving the folder as it was.
#
# Usage: doctor_unwritable_folder.sh DOCTOR_EXE HOST_DLL LOADER_DLL PLUGIN RUN_DIR (PLUGIN is unused: the
# folder holds another DLL under its name)
set -euo pipefail
doctor=$(realpath "$1") run=$(realpath -m "$5")
scripts=$(realpath "$(dirname "$0")/../../scripts")
fail() { echo "FAIL: $*" >&2; exit 1; }
game=$run/game
if [ -d "$game" ]; then chmod u+w "$game"; fi
rm -rf "$game" "$run/out.txt" "$run/out.txt.install" "$run/out.txt.install-status"
mkdir -p "$game"
cp "$2" "$game/ScriptHookRDR2.dll"
cp "$3" "$game/dinput8.dll"
# Another DLL under the plugin's name: --install would replace it, keeping it as a backup.
cp "$2" "$game/Veltrane.asi"
cp "$3" "$game/RDR2.exe"  # only its presence matters: the folder holds the game
before=$(cd "$game" && stat -c "%a %Y" . && ls -lA --time-style=+%s && md5sum ./*)

in_namespace=()
if [ "$(id -u)" -eq 0 ]; then
    command -v unshare >/dev/null || fail "unshare is missing: can't mount the game folder read-only"
    propagation=private
    unshare --mount --propagation private true 2>/dev/null || propagation=unchanged
    export WINEPREFIX=$run/wineprefix-readonly
    namespace_script='mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" || exit 97; shift; exec "$@"'
    in_namespace=(unshare --mount --propagation "$propagation" bash -c "$namespace_script" namespace "$game")
else
    : "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the build}"
    chmod 0555 "$game"
fi

status=0
"${in_namespace[@]}" bash -c 'if : > "$1/probe" 2>/dev/null; then rm -f "$1/probe"; exit 95; fi
    "$2/wine-prefix.sh" "$WINEPREFIX" >/dev/null || exit 96
    status=0
    "$2/wine-run.sh" "$3" --game "$1" --quiet >"$4" 2>&1 || status=$?
    installed=0
    "$2/wine-run.sh" "$3" --install "$1" >"$4.install" 2>&1 || installed=$?
    echo "$installed" >"$4.install-status"
    [ -z "${5:-}" ] || wineserver -k 2>/dev/null || true
    exit $status' check "$game" "$scripts" "$doctor" "$run/out.txt" "${in_namespace[*]:+own-server}" || status=$?
[ "$status" -ne 95 ] || fail "the game folder $game can be written"
[ "$status" -ne 96 ] || fail "no Wine prefix at $WINEPREFIX"
[ "$status" -ne 97 ] || fail "can't mount the game folder read-only"
cat "$run/out.txt"
[ -d "$game" ] && chmod u+w "$game"
after=$(cd "$game" && stat -c "%a %Y" . && ls -lA --time-style=+%s && md5sum ./*)
[ "$status" -eq 1 ] || fail "the doctor exited with status $status, want 1"
failed=$(grep -o '^FAIL [0-9]' "$run/out.txt" | tr '\n' ' ')
[ "$failed" = "FAIL 4 FAIL 5 " ] || fail "failed checks: ${failed:-none}; want 4 (write access) and 5 (no settings file)"
tr '\n' ' ' <"$run/out.txt" | tr -s ' ' | grep -q "stays off, and tries again in every frame" ||
    fail "the write-access failure does not say what follows from it"
! grep -q -e '--write-defaults' -e '--install' "$run/out.txt" ||
    fail "a command that writes into the folder is suggested, though the folder can't be written"
[ "$before" = "$after" ] || fail "the game folder changed: $(diff <(echo "$before") <(echo "$after"))"
cat "$run/out.txt.install"
[ "$(cat "$run/out.txt.install-status")" = 2 ] || fail "--install exited with status $(cat "$run/out.txt.install-status"), want 2"
tr '\n' ' ' <"$run/out.txt.install" | tr -s ' ' | grep -q "Nothing changed: could not write into .*access denied.*Run as administrator" ||
    fail "--install does not say why nothing changed, and what to do"
echo PASS

#!/usr/bin/env bash
# The loader's override under Wine, as Proton players meet it: a game folder with a game that
# imports dinput8, the ASI loader as the folder's dinput8.dll, the script hook and Veltrane.asi.
# Without an override Wine gives the game its built-in dinput8 and nothing of the folder runs;
# with WINEDLLOVERRIDES="dinput8=n,b" (the launch options' line), or the same override in the
# prefix's registry, the folder's loader runs and loads the hook and the plugin. Runs in a Wine
# prefix of its own, since it writes that prefix's registry.
#
# Usage: loader_override.sh GAME_EXE LOADER_DLL HOST_DLL PLUGIN RUN_DIR
set -euo pipefail
game_exe=$1 loader=$2 host=$3 plugin=$4 run=$(realpath -m "$5")
here=$(dirname "$0")
run_wine=$(realpath "$here/../../scripts/wine-run.sh")
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$run/game"
mkdir -p "$run/game"
cp "$game_exe" "$run/game/RDR2.exe"
cp "$loader" "$run/game/dinput8.dll"
cp "$host" "$run/game/ScriptHookRDR2.dll"
cp "$plugin" "$run/game/Veltrane.asi"
export WINEPREFIX="$run/wineprefix"
[ -f "$WINEPREFIX/system.reg" ] || bash "$here/../../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null

# play NAME EXPECTED_STATUS PATTERN [override]: runs the game from its folder, as Steam does.
play() {
    local name=$1 want=$2 pattern=$3 overrides="mscoree,mshtml=${4:+;$4}" status=0
    (cd "$run/game" && WINEDLLOVERRIDES="$overrides" "$run_wine" RDR2.exe) >"$run/$name.log" 2>&1 || status=$?
    grep -q "$pattern" "$run/$name.log" || fail "$name: no \"$pattern\" in: $(cat "$run/$name.log")"
    [ "$status" -eq "$want" ] || fail "$name: exit status $status, not $want: $(cat "$run/$name.log")"
    echo "ok $name: $(tr '\n' ' ' <"$run/$name.log")"
}

play no-override 3 "the system's own"
play launch-options 0 "Veltrane.asi: loaded" "dinput8=n,b"
play launch-options-native-only 0 "Veltrane.asi: loaded" "dinput8=n"
play launch-options-builtin 3 "the system's own" "dinput8=b"

# The same override in the prefix, where winecfg writes it.
"$run_wine" reg add 'HKCU\Software\Wine\DllOverrides' /v dinput8 /d native,builtin /f >/dev/null 2>&1
play prefix-override 0 "Veltrane.asi: loaded"
grep -qi '^"dinput8"="native,builtin"' "$WINEPREFIX/user.reg" || wineserver -w
grep -qi '^"dinput8"="native,builtin"' "$WINEPREFIX/user.reg" || fail "user.reg holds no dinput8 override"
"$run_wine" reg delete 'HKCU\Software\Wine\DllOverrides' /v dinput8 /f >/dev/null 2>&1
play prefix-override-removed 3 "the system's own"

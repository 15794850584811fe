#!/usr/bin/env bash
# The loader's override under Wine, as Proton players meet it: a game folder with a game that
# imports dinput8, the ASI loader as the folder's dinput8.dll, the script hook and Veltrane.asi.
# Without an override Wine gives the game its built-in dinput8 and nothing of the folder runs;
# with WINEDLLOVERRIDES="dinput8=n,b" (the launch options' line), or the same override in the
# prefix's registry, the folder's loader runs and loads the hook and the plugin. The folder lies
# in a Steam library as Steam lays it out, its Wine prefix in the library's compatdata as
# Proton's, and the Linux doctor's check 8 must say of each state what the game showed. Runs in
# a Wine prefix of its own, since it writes that prefix's registry.
#
# Usage: loader_override.sh GAME_EXE LOADER_DLL HOST_DLL PLUGIN LINUX_DOCTOR RUN_DIR
set -euo pipefail
game_exe=$1 loader=$2 host=$3 plugin=$4 doctor=$5 run=$(realpath -m "$6")
here=$(dirname "$0")
run_wine=$(realpath "$here/../../scripts/wine-run.sh")
fail() { echo "FAIL: $*" >&2; exit 1; }

steam=$run/steam
game=$steam/steamapps/common/RDR2
rm -rf "$game" "$run/home" "$steam/userdata"
mkdir -p "$game" "$run/home/.steam" "$steam/userdata/100/config"
ln -s "$steam" "$run/home/.steam/steam"
cp "$game_exe" "$game/RDR2.exe"
cp "$loader" "$game/dinput8.dll"
cp "$host" "$game/ScriptHookRDR2.dll"
cp "$plugin" "$game/Veltrane.asi"
export WINEPREFIX="$steam/steamapps/compatdata/1174180/pfx"
[ -f "$WINEPREFIX/system.reg" ] || bash "$here/../../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null

# options TEXT: the player's launch options for the game, as Steam keeps them.
options() {
    local escaped=${1//\\/\\\\}
    escaped=${escaped//\"/\\\"}
    printf '"UserLocalConfigStore"\n{\n "Software"\n {\n  "Valve"\n  {\n   "Steam"\n   {\n    "apps"\n    {\n     "1174180"\n     {\n      "LaunchOptions" "%s"\n     }\n    }\n   }\n  }\n }\n}\n' \
        "$escaped" >"$steam/userdata/100/config/localconfig.vdf"
}

# play NAME EXPECTED_STATUS PATTERN DOCTOR_VERDICT: runs the game from its folder as Steam does,
# through the launch options (%command% standing for the game), then the doctor on the folder.
play() {
    local name=$1 want=$2 pattern=$3 verdict=$4 status=0
    local command=${launch_options:-%command%}
    command=${command//%command%/\"\$run_wine\" RDR2.exe}
    (cd "$game" && export run_wine && WINEDLLOVERRIDES="mscoree,mshtml=" sh -c "$command") >"$run/$name.log" 2>&1 || status=$?
    grep -q "$pattern" "$run/$name.log" || fail "$name: no \"$pattern\" in: $(cat "$run/$name.log")"
    [ "$status" -eq "$want" ] || fail "$name: exit status $status, not $want: $(cat "$run/$name.log")"
    HOME="$run/home" "$doctor" --game "$game" --details >"$run/$name.doctor" 2>&1 || true
    tr '\n' ' ' <"$run/$name.doctor" | tr -s ' ' | grep -q "$verdict" ||
        fail "$name: the doctor does not say \"$verdict\": $(cat "$run/$name.doctor")"
    echo "ok $name: $(tr '\n' ' ' <"$run/$name.log")| doctor: $verdict"
}

launch_options='' && options ''
play no-override 3 "the system's own" "FAIL 8 Proton: Wine loads its own dinput8.dll"
launch_options='WINEDLLOVERRIDES="mscoree,mshtml=;dinput8=n,b" %command%' && options "$launch_options"
play launch-options 0 "Veltrane.asi: loaded" "ok 8 Proton: Wine loads the folder's dinput8.dll first"
launch_options='WINEDLLOVERRIDES="dinput8=n" %command%' && options "$launch_options"
play launch-options-native-only 0 "Veltrane.asi: loaded" "ok 8 Proton"
launch_options='WINEDLLOVERRIDES="dinput8=b" %command%' && options "$launch_options"
play launch-options-builtin 3 "the system's own" "FAIL 8 Proton"
launch_options='' && options ''

# The same override in the prefix, where winecfg writes it; Wine's server writes user.reg, where
# the doctor reads it, when its session ends.
"$run_wine" reg add 'HKCU\Software\Wine\DllOverrides' /v dinput8 /d native,builtin /f >/dev/null 2>&1
wineserver -w
grep -qi '^"dinput8"="native,builtin"' "$WINEPREFIX/user.reg" || fail "user.reg holds no dinput8 override"
play prefix-override 0 "Veltrane.asi: loaded" "ok 8 Proton: Wine loads the folder's dinput8.dll first (the game's Wine prefix"
"$run_wine" reg delete 'HKCU\Software\Wine\DllOverrides' /v dinput8 /f >/dev/null 2>&1
wineserver -w
play prefix-override-removed 3 "the system's own" "FAIL 8 Proton"

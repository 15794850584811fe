#!/usr/bin/env bash
# The loader's override under Wine, as Proton players meet it: a game folder with a game that
# imports dinput8, the ASI loader as the folder's dinput8.dll, the script hook and Veltrane.asi.
# Without an override Wine gives the game its built-in dinput8 and nothing of the folder runs;
# with WINEDLLOVERRIDES="dinput8=n,b" (the launch options' line), or the same override in the
# prefix's registry, the folder's loader runs and loads the hook and the plugin. The folder lies
# in a Steam library as Steam lays it out, its Wine prefix in the library's compatdata as
# Proton's, and the doctors' check 8 must say of each state what the game showed: the Linux
# doctor, the Windows doctor under Wine in the build's prefix (reading the game's prefix and
# Steam's files through Z:), and the Windows doctor run by Wine in the game's prefix as Proton
# runs it (asking the registry and its own WINEDLLOVERRIDES). Runs in a Wine prefix of its own,
# since it writes that prefix's registry.
#
# Usage: loader_override.sh GAME_EXE LOADER_DLL HOST_DLL PLUGIN LINUX_DOCTOR WINDOWS_DOCTOR RUN_DIR
set -euo pipefail
game_exe=$1 loader=$2 host=$3 plugin=$4 doctor=$5 windows_doctor=$6 run=$(realpath -m "$7")
outside=${WINEPREFIX:?set WINEPREFIX to the prefix of the build}
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

# says NAME VERDICT: the doctor's report $run/NAME.doctor says VERDICT, its lines joined (the
# Windows doctor's end in CR LF).
says() {
    tr '\r\n' '  ' <"$run/$1.doctor" | tr -s ' ' | grep -q "$2" ||
        fail "$1: the doctor does not say \"$2\": $(cat "$run/$1.doctor")"
}

# play NAME EXPECTED_STATUS PATTERN DOCTOR_VERDICT [IN_PREFIX_VERDICT]: runs the game from its
# folder as Steam does, through the launch options (%command% standing for the game) with
# WINEDLLOVERRIDES=$environment, then the doctors on the folder; the Windows doctor in the game's
# prefix runs with that environment too, and says IN_PREFIX_VERDICT when given.
environment="mscoree,mshtml="
play() {
    local name=$1 want=$2 pattern=$3 verdict=$4 status=0
    local command=${launch_options:-%command%}
    command=${command//%command%/\"\$run_wine\" RDR2.exe}
    (cd "$game" && export run_wine && WINEDLLOVERRIDES="$environment" sh -c "$command") >"$run/$name.log" 2>&1 ||
        status=$?
    grep -q "$pattern" "$run/$name.log" || fail "$name: no \"$pattern\" in: $(cat "$run/$name.log")"
    [ "$status" -eq "$want" ] || fail "$name: exit status $status, not $want: $(cat "$run/$name.log")"
    HOME="$run/home" "$doctor" --game "$game" --details >"$run/$name.doctor" 2>&1 || true
    says "$name" "$verdict"
    HOME="$run/home" WINEPREFIX="$outside" "$run_wine" "$windows_doctor" --game "$game" --details \
        >"$run/$name-windows.doctor" 2>&1 || true
    says "$name-windows" "$verdict"
    HOME="$run/home" STEAM_COMPAT_DATA_PATH="${WINEPREFIX%/pfx}" WINEDLLOVERRIDES="$environment" \
        "$run_wine" "$windows_doctor" --game "$game" --details >"$run/$name-in-prefix.doctor" 2>&1 || true
    says "$name-in-prefix" "${5:-$verdict}"
    echo "ok $name: $(tr '\n' ' ' <"$run/$name.log")| doctors: $verdict${5:+, in the prefix: $5}"
}

launch_options='' && options ''
play no-override 3 "the system's own" \
    "FAIL 8 Proton: Wine loads its own dinput8.dll, .* (the launch options of Steam user 100)"
launch_options='WINEDLLOVERRIDES="mscoree,mshtml=;dinput8=n,b" %command%' && options "$launch_options"
play launch-options 0 "Veltrane.asi: loaded" "ok 8 Proton: Wine loads the folder's dinput8.dll first"
launch_options='WINEDLLOVERRIDES="dinput8=n" %command%' && options "$launch_options"
play launch-options-native-only 0 "Veltrane.asi: loaded" "ok 8 Proton"
launch_options='WINEDLLOVERRIDES="dinput8=b" %command%' && options "$launch_options"
play launch-options-builtin 3 "the system's own" "FAIL 8 Proton"
launch_options='' && options ''
# Set where the game was started from: only the doctor that runs in that environment can tell.
environment="mscoree,mshtml=;dinput8=n,b"
play environment 0 "Veltrane.asi: loaded" "FAIL 8 Proton" \
    "ok 8 Proton: Wine loads the folder's dinput8.dll first (the WINEDLLOVERRIDES the doctor runs with says so)"
environment="mscoree,mshtml="

# The same override in the prefix, where winecfg writes it; Wine's server writes user.reg, where
# the doctors outside the prefix read it, when its session ends.
"$run_wine" reg add 'HKCU\Software\Wine\DllOverrides' /v dinput8 /d native,builtin /f >/dev/null 2>&1
wineserver -w
grep -qi '^"dinput8"="native,builtin"' "$WINEPREFIX/user.reg" || fail "user.reg holds no dinput8 override"
play prefix-override 0 "Veltrane.asi: loaded" "ok 8 Proton: Wine loads the folder's dinput8.dll first (the game's Wine prefix"
"$run_wine" reg delete 'HKCU\Software\Wine\DllOverrides' /v dinput8 /f >/dev/null 2>&1
wineserver -w
play prefix-override-removed 3 "the system's own" "FAIL 8 Proton"

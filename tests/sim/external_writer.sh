#!/usr/bin/env bash
# Plays external_writer.json while a separate process, a shell loop started here, replaces
# Veltrane.ini over and over with one of three complete versions (written beside it, then
# renamed over it, as careful editors save). Checks that the plugin only ever applied values
# that one of the versions holds, ran in every frame (so it never read a switch that was off),
# never wrote the file, and that the file was one of the versions whenever the loop looked.
#
# Usage: external_writer.sh SIM_EXE SCENARIO RUN_DIR
source "$(dirname "$0")/sim_script_start.sh" "$@"

game=$run/game out=$run/out
rm -rf "$game" "$out"
mkdir -p "$game" "$out"

versions=(
    $'[Settings]\r\nEnabled=1\r\n[WeatherType_Rain]\r\nAccuracy_Rain=10\r\nDamageMod_Rain=0.25\r\n'
    $'[Settings]\r\nEnabled=1\r\n\r\n[WeatherType_Snow]\r\nAccuracy_Snow=90\r\n\r\n[WeatherType_Rain]\r\nAccuracy_Rain=20\r\nDamageMod_Rain=0.5\r\n'
    $'; saved by another program\r\n[WeatherType_Rain]\r\nDamageMod_Rain=0.75\r\nAccuracy_Rain=30\r\n[Settings]\r\nEnabled=1\r\n'
)
printf '%s' "${versions[0]}" > "$game/Veltrane.ini"

# The writer: reads the file with builtins (no process per look), then replaces it.
writer() {
    local i=0 strays=0 current
    while [ ! -e "$out/stop" ]; do
        IFS= read -r -d '' current < "$game/Veltrane.ini" || true
        if [ "$current" != "${versions[0]}" ] && [ "$current" != "${versions[1]}" ] && [ "$current" != "${versions[2]}" ]; then
            strays=$((strays + 1))
            printf '%s' "$current" > "$out/stray-$strays.ini"
        fi
        printf '%s' "${versions[$((i % 3))]}" > "$game/.Veltrane.ini.new"
        mv -f "$game/.Veltrane.ini.new" "$game/Veltrane.ini"
        i=$((i + 1))
    done
    echo "$i $strays" > "$out/writer.txt"
}
writer &
writer_pid=$!
trap 'touch "$out/stop"; wait "$writer_pid" 2>/dev/null || true' EXIT

status=0
"$scripts/wine-run.sh" "$sim" "$scenario" --game-dir "$game" --trace "$out/trace.jsonl" --frame-pause 5 \
    >"$out/report.txt" 2>"$out/wine.log" || status=$?
touch "$out/stop"
wait "$writer_pid"
trap - EXIT
[ "$status" -eq 0 ] || fail "the game exited with status $status (see $out/wine.log)"

frames=$(sed -n 's/.*"frames": *\([0-9]*\).*/\1/p' "$scenario" | head -1)
read -r rewrites strays < "$out/writer.txt"
trace=$out/trace.jsonl
played=$(grep -c '"type":"frame"' "$trace" || true)
idle=$(grep -c '"type":"frame".*"natives":0,' "$trace" || true)
created=$(grep -c '"iniDuringFrame":"created"' "$trace" || true)
values() { grep "\"name\":\"$1\"" "$trace" | sed 's/.*"value":\([^,}]*\).*/\1/' | sort -u | tr '\n' ' '; }
accuracies=$(values PedAccuracyWrite)
damages=$(values PedDamageModWrite)
final=$(cat "$game/Veltrane.ini"; printf x)
final=${final%x}

echo "frames played: $played; frames without a native call: $idle"
echo "rewrites by the other process: $rewrites in $played frames; files it found that were not its own: $strays"
echo "accuracies written: $accuracies; damage modifiers written: $damages"
[ "$played" -eq "$frames" ] || fail "played $played frames of $frames"
[ "$idle" -eq 0 ] || fail "the plugin was idle in $idle frame(s): it read the switch as off"
[ "$created" -eq 0 ] || fail "the plugin wrote Veltrane.ini in $created frame(s)"
[ "$strays" -eq 0 ] || fail "Veltrane.ini held something else $strays time(s) (see $out/stray-*.ini)"
[ "$rewrites" -ge $((frames / 2)) ] || fail "only $rewrites rewrites in $frames frames"
for value in $accuracies; do
    case $value in 10|20|30) ;; *) fail "accuracy $value applied, which no version holds" ;; esac
done
for value in $damages; do
    case $value in 0.25|0.5|0.75) ;; *) fail "damage modifier $value applied, which no version holds" ;; esac
done
[ "$(echo "$accuracies" | wc -w)" -ge 2 ] || fail "the edits did not take effect: accuracies $accuracies"
case $final in "${versions[0]}"|"${versions[1]}"|"${versions[2]}") ;; *) fail "Veltrane.ini ends as none of the versions" ;; esac
echo "PASS"

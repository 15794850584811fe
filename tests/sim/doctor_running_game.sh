#!/usr/bin/env bash
# The doctor's check of the running game: two simulated games play beside it, one with the
# plugin and one with only a second plugin of ours (asi_probe.asi), and the doctor must find
# the first with the folder the plugin was loaded from, the script hook beside it and the
# settings file it reads (the one of its game folder, which the doctor checks), and say of the
# second that it runs without the plugin. Checked on the folder the plugin was loaded from, the
# first game reads another folder's Veltrane.ini: a failure, with the file to edit. A few seconds.
#
# Usage: doctor_running_game.sh SIM_EXE DOCTOR_EXE PROBE_ASI SCENARIO RUN_DIR
set -euo pipefail
sim=$1 doctor=$2 probe=$3 scenario=$4 run=$(realpath -m "$5")
run_wine=$(realpath "$(dirname "$0")/../../scripts/wine-run.sh")
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$run"
mkdir -p "$run/with" "$run/without"

pids=()
stop() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap stop EXIT
# A minute at most each, should nothing stop them sooner.
"$run_wine" "$sim" "$scenario" --quiet --frames 3000 --frame-pause 20 --game-dir "$run/with" \
    >"$run/with.log" 2>&1 &
pids+=($!)
"$run_wine" "$sim" "$scenario" --quiet --frames 3000 --frame-pause 20 --plugin "$probe" --game-dir "$run/without" \
    >"$run/without.log" 2>&1 &
pids+=($!)

# The doctor is asked until it sees both games with their plugins loaded, for at most 20 s.
with='veltrane-sim\.exe \(process [0-9]+\) has Veltrane\.asi loaded from .*veltrane-sim-folder-[0-9]+.*with ScriptHookRDR2\.dll; it reads the Veltrane\.ini of this folder'
without='veltrane-sim\.exe \(process [0-9]+\) runs, but Veltrane\.asi was not loaded \(the script hook was\)'
for attempt in $(seq 1 10); do
    sleep 2
    status=0
    "$run_wine" "$doctor" --game "$run/with" >"$run/doctor.txt" 2>&1 || status=$?
    flat=$(tr -d '\r' <"$run/doctor.txt" | tr '\n' ' ' | tr -s ' ')
    if grep -Eq "$with" <<<"$flat" && grep -Eq "$without" <<<"$flat"; then
        echo "found both games at attempt $attempt (doctor exit status $status):"
        grep -A2 "Running" "$run/doctor.txt"
        # The folder the plugin was loaded from, checked: its game reads another folder's file,
        # so the player would edit the wrong one.
        plugin_folder=$(sed -E 's/.*has Veltrane\.asi loaded from ([^ ]*veltrane-sim-folder-[0-9]+) .*/\1/' <<<"$flat")
        status=0
        "$run_wine" "$doctor" --game "$plugin_folder" >"$run/doctor-plugin-folder.txt" 2>&1 || status=$?
        flat=$(tr -d '\r' <"$run/doctor-plugin-folder.txt" | tr '\n' ' ' | tr -s ' ')
        grep -Eq "FAIL Running: veltrane-sim\.exe \(process [0-9]+\) has Veltrane\.asi loaded from .*; it reads .*Veltrane\.ini, not the one of this folder Fix: edit .*Veltrane\.ini, or check that folder: veltrane-doctor --game \"[^\"]*[^\\]\"" <<<"$flat" ||
            { cat "$run/doctor-plugin-folder.txt" >&2; fail "the game reading another folder's Veltrane.ini is not a failure"; }
        [ "$status" -eq 1 ] || fail "the doctor on the plugin's folder exited with $status, want 1"
        echo PASS
        exit 0
    fi
done
cat "$run/doctor.txt" "$run/with.log" "$run/without.log" >&2
fail "the doctor did not find both running games"

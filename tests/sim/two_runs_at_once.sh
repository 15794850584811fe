#!/usr/bin/env bash
# Plays a scenario twice at the same time in one Wine prefix, neither given --game-dir: each run
# must make and remove a scratch game directory of its own (one shared name let the second run
# remove the directory the first was playing in, and fail).
#
# Usage: two_runs_at_once.sh SIM_EXE SCENARIO RUN_DIR
source "$(dirname "$0")/sim_script_start.sh" "$@"

rm -rf "$run"
mkdir -p "$run"
# 100 frames of 10 ms: long enough that the two runs overlap whatever Wine's start costs.
"$scripts/wine-run.sh" "$sim" "$scenario" --frames 100 --frame-pause 10 >"$run/a.txt" 2>&1 & a=$!
"$scripts/wine-run.sh" "$sim" "$scenario" --frames 100 --frame-pause 10 >"$run/b.txt" 2>&1 & b=$!
status_a=0 status_b=0
wait "$a" || status_a=$?
wait "$b" || status_b=$?
[ "$status_a" -eq 0 ] || fail "the first run exited with $status_a: $(cat "$run/a.txt")"
[ "$status_b" -eq 0 ] || fail "the second run exited with $status_b: $(cat "$run/b.txt")"
dir_a=$(sed -n 's/^game directory: //p' "$run/a.txt")
dir_b=$(sed -n 's/^game directory: //p' "$run/b.txt")
echo "game directories: $dir_a and $dir_b"
[ -n "$dir_a" ] && [ "$dir_a" != "$dir_b" ] || fail "the two runs played in one game directory"
# Each removed its own: Wine's path back to Unix, which exists no more.
for dir in "$dir_a" "$dir_b"; do
    unix=$(WINEDEBUG=-all wine winepath -u "$dir" 2>/dev/null | tr -d '\r')
    [ -n "$unix" ] || fail "no Unix path for $dir"
    [ ! -e "$unix" ] || fail "the scratch game directory $unix is still there"
done

# Given one --game-dir, the second run is refused while the first plays there: each would report
# the other's edits to Veltrane.ini as its own plugin's.
shared="$run/shared"
"$scripts/wine-run.sh" "$sim" "$scenario" --frames 300 --frame-pause 10 --quiet --game-dir "$shared" >"$run/c.txt" 2>&1 & c=$!
# The first run holds the directory once it has made it.
for _ in $(seq 100); do [ -d "$shared" ] && break; sleep 0.1; done
sleep 1
status_d=0
"$scripts/wine-run.sh" "$sim" "$scenario" --frames 1 --quiet --game-dir "$shared" >"$run/d.txt" 2>&1 || status_d=$?
status_c=0
wait "$c" || status_c=$?
[ "$status_c" -eq 0 ] || fail "the run holding the shared directory exited with $status_c: $(cat "$run/c.txt")"
[ "$status_d" -eq 1 ] || fail "the second run in the shared directory exited with $status_d, not 1: $(cat "$run/d.txt")"
grep -q "is in use by another run of the game" "$run/d.txt" || fail "the refusal doesn't say why: $(cat "$run/d.txt")"
# Once the first has ended, the directory is free again.
"$scripts/wine-run.sh" "$sim" "$scenario" --frames 1 --quiet --game-dir "$shared" >"$run/e.txt" 2>&1 ||
    fail "the directory was not free after the run: $(cat "$run/e.txt")"
echo "PASS"

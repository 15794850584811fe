#!/usr/bin/env bash
# Mutation run: puts single-line faults into the plugin's own code, one at a time, and asks
# which test notices. Each mutant is built natively and run against the fast native tests;
# those no native test kills run the Windows tests under Wine.
#
#   scripts/mutate.sh [--native-only] [--survivors] [--check-equivalents] [--workers N]
#                     [--change REGEX] [PATH...]
#
# PATH narrows the run to some of the mutated files (a folder or a file); --survivors to the
# mutants the last run left alive (after new tests, say); --change to the mutants whose change
# (as the results show it, "'!= 0' -> '== 1'", "if truth test narrowed") matches REGEX. The work happens in
# a copy of the tree (build/mutate/src) with build trees of its own (build/mutate/native,
# build/mutate/windows), so the tree you edit is never touched and object files are reused
# from run to run. The files are shared among N workers (one a core by default), each with a
# copy and a native tree of its own (build/mutate/worker2, ...); survivors go on to Wine here. One line per mutant goes to the screen and to build/mutate/results.txt,
# then a summary. Mutants judged equivalent (no program can tell them from the original) are
# listed in scripts/mutate-equivalents.txt and not run; --check-equivalents runs them natively
# (every native test, which is what makes them slow) to see that the list still holds, after new
# tests or an edit to the list. Not part of the CI run: a full run takes about 11 minutes on two
# idle cores (two workers); --survivors after new tests, a minute or two.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# What is mutated: every .h and .cpp in these folders, and these files. The plugin's own code,
# that is what Veltrane.asi links; the platform's native stand-ins and the doctor's readers
# are not the plugin.
mutated=(plugin host settings tuning platform/float_bits.h platform/windows_api.h platform/windows/kernel32.cpp)

# The native test executables, cheapest and most telling first; a mutant's own file's tests
# go to the front of the line (preferred below, and "<file>_test" when there is one).
native_tests=(text_forms_test weather_table_test settings_file_test profile_test tuning_pass_test frame_loop_test
              plugin_entry_test allocation_test doctor_settings_check_test doctor_agrees_with_plugin_test
              doctor_cli_test sim_game_test)
declare -A preferred=(
    [plugin/keyboard_state]=plugin_entry_test [host/native_invoke]=tuning_pass_test [host/natives]=tuning_pass_test
    [tuning/tuning_state]=tuning_pass_test [settings/ini_reader]=settings_file_test
    [settings/ini_writer]=settings_file_test [platform/float_bits]=tuning_pass_test)
test_timeout=${MUTATE_TEST_TIMEOUT:-60}  # seconds per native test executable

# The Windows tests a survivor runs: all but the slow, the browser's and the root-only ones.
windows_skip='release_package|sim_soak|html_page|unwritable_game_dir|external_writer|profile_timing|two_runs'
# Those that run the DLL in the simulated game go first: they kill what gets this far.
windows_first='sim_e2e|sim_fault_matrix|sim_reload|sim_play'

equivalents=scripts/mutate-equivalents.txt
work=${MUTATE_WORK:-$root/build/mutate}  # another one lets two runs share the machine
src=$work/src
native=$work/native
windows=$work/windows

wine=1
survivors_only=0
check_equivalents=0
workers=$(nproc 2>/dev/null || echo 2)
change_only=""
only=()
for arg in "$@"; do
    case $arg in
        --native-only) wine=0 ;;
        --survivors) survivors_only=1 ;;
        --check-equivalents) check_equivalents=1 ;;
        --workers) want=workers ;;
        --change) want=change ;;
        -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) case ${want:-} in
               workers) workers=$arg ;;
               change) change_only=$arg ;;
               *) only+=("$arg") ;;
           esac
           want="" ;;
    esac
done
[ $survivors_only = 1 ] && workers=1  # a few mutants: one tree is quicker

scripts/install-deps.sh
# The tests' scratch folders are named per test under the temporary folder: a run of the same
# tests elsewhere on the machine (another run, a developer's ctest) would share them and fail
# them at random. This run's are its own.
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
jobs=$(nproc 2>/dev/null || echo 2)
started=$SECONDS

files=()
for path in "${mutated[@]}"; do
    [ -e "$path" ] || continue
    while IFS= read -r file; do
        if [ ${#only[@]} -gt 0 ]; then
            keep=0
            for want in "${only[@]}"; do [[ $file == ${want%/}* ]] && keep=1; done
            [ $keep = 1 ] || continue
        fi
        files+=("$file")
    done < <(find "$path" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
done

# The other workers' shares, by the cost of their mutants (a header's rebuilds all that include
# it), each run natively in a tree of its own while this one runs the first share.
helpers=()
file_count=${#files[@]}
if [ "$workers" -gt 1 ]; then
    mapfile -t shares < <(python3 scripts/mutants.py share "$workers" "${files[@]}")
    read -r -a files <<<"${shares[0]}"
    for ((k = 1; k < ${#shares[@]}; k++)); do
        read -r -a share <<<"${shares[k]}"
        [ ${#share[@]} -gt 0 ] || continue
        flags=(--workers 1 --native-only)
        [ $check_equivalents = 1 ] && flags+=(--check-equivalents)
        [ -n "$change_only" ] && flags+=(--change "$change_only")
        MUTATE_WORK=$work/worker$((k + 1)) scripts/mutate.sh "${flags[@]}" "${share[@]}" \
            >"$work/worker$((k + 1)).log" 2>&1 &
        helpers+=("$work/worker$((k + 1))")
    done
fi

# The copy, and the native tree built from it as it is: every test must pass before a mutant
# can mean anything.
mkdir -p "$work"
python3 scripts/mutants.py sync "$root" "$src"
# Ninja: its check of what is out of date takes milliseconds, make's seconds, per mutant.
[ -f "$native/build.ninja" ] || rm -rf "$native"
cmake -S "$src" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BENCH=OFF >/dev/null
echo "mutate: building the native tests" >&2
cmake --build "$native" -j "$jobs" --target "${native_tests[@]}" >/dev/null
declare -A exe
for test in "${native_tests[@]}"; do
    exe[$test]=$(find "$native" -type f -name "$test" -perm -u+x | head -n 1)
    [ -n "${exe[$test]}" ] || { echo "mutate: no test executable $test was built" >&2; exit 1; }
    if ! (cd "$work" && timeout "$test_timeout" "${exe[$test]}" >/dev/null 2>&1); then
        echo "mutate: $test fails without any mutant; mend that first" >&2
        exit 1
    fi
done
# The core's objects as built from the real sources: a mutant whose object is the same, byte
# for byte, is the same program.
rm -rf "$work/objects" && mkdir -p "$work/objects"
(cd "$native" && find CMakeFiles/veltrane_core.dir -name '*.o' -exec cp --parents {} "$work/objects" \;)

windows_ready=0
prepare_windows() {
    [ $windows_ready = 1 ] && return 0
    echo "mutate: building the Windows tree (once; later runs reuse it)" >&2
    [ -f "$windows/build.ninja" ] || rm -rf "$windows"
    cmake -S "$src" -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
    windows_ready=1
}

declare -A equivalent
if [ -f "$equivalents" ]; then
    while IFS=$'\t' read -r file line mutant reason; do
        [[ -z $file || $file == \#* ]] && continue
        equivalent["$file"$'\t'"$line"$'\t'"$mutant"]=$reason
    done < "$equivalents"
fi

# The last run's survivors, by file, line and the line mutated.
results=$work/results.txt
declare -A survivor
if [ $survivors_only = 1 ]; then
    [ -f "$results" ] || { echo "mutate: no earlier run in $results" >&2; exit 2; }
    while IFS= read -r head && IFS= read -r body; do
        [[ $head == *": survived" ]] || continue
        place=${head%% *}
        survivor["${place%:*}"$'\t'"$(sed 's/^ *//' <<<"$body")"]=1
    done < <(grep -v '^$' "$results" | grep -B1 '^    ' | grep -v '^--$')
fi
: > "$results"
# The file a mutant is in is kept as it was, and put back (with a new time, so the next build
# recompiles it) after the mutant, when the run is stopped, and on any exit.
current=""
restore() { [ -n "$current" ] && cp "$work/original" "$src/$current"; current=""; }
trap restore EXIT
trap 'restore; exit 130' INT TERM

# Tests for $1 in the order they are tried.
order_for() {
    local stem=${1%.*} list=() t
    [ -n "${preferred[$stem]:-}" ] && list+=("${preferred[$stem]}")
    [ -n "${exe[$(basename "$stem")_test]:-}" ] && list+=("$(basename "$stem")_test")
    for t in "${native_tests[@]}"; do [[ " ${list[*]} " == *" $t "* ]] || list+=("$t"); done
    echo "${list[@]}"
}

# Runs the native tests on the applied mutant of $1, its own file's first; sets verdict.
native_verdict() {
    local file=$1 tests test out rc
    read -r -a tests <<<"$(order_for "$file")"
    # Built into the DLL only (its module entry): nothing native can run it.
    if [[ $file == *.cpp ]] && [ ! -f "$work/objects/CMakeFiles/veltrane_core.dir/$file.o" ]; then
        verdict=survived; return
    fi
    # The first test alone kills most mutants; each other one is built only when those before it
    # let the mutant live (a header's mutant relinks every test that includes it).
    if ! cmake --build "$native" -j "$jobs" --target "${tests[0]}" >"$work/build.log" 2>&1; then
        verdict="stillborn (does not compile)"; return
    fi
    local object="CMakeFiles/veltrane_core.dir/$file.o"
    if [[ $file == *.cpp ]] && [ -f "$native/$object" ] && cmp -s "$native/$object" "$work/objects/$object"; then
        verdict="equivalent (the same machine code)"; return
    fi
    for test in "${tests[@]}"; do
        if [ "$test" != "${tests[0]}" ] &&
           ! cmake --build "$native" -j "$jobs" --target "$test" >"$work/build.log" 2>&1; then
            verdict="stillborn (does not compile)"; return
        fi
        rc=0
        out=$(cd "$work" && timeout "$test_timeout" "${exe[$test]}" --gtest_brief=1 --gtest_fail_fast 2>&1) || rc=$?
        if [ $rc = 124 ]; then verdict="killed by $test (timed out)"; return; fi
        if [ $rc != 0 ]; then
            local case
            case=$(grep -m1 -o '^\[  FAILED  \] [A-Za-z0-9_/.]*' <<<"$out" | sed 's/^\[  FAILED  \] //' || true)
            verdict="killed by $test (${case:-exit status $rc})"
            return
        fi
    done
    verdict=survived
}

# Runs the Windows tests the ctest options given choose, as many at once as there are cores (as
# the project's own test run does); sets failed to the first that failed.
windows_tests() {
    local out
    out=$(ctest --test-dir "$windows" "$@" -j "$jobs" --stop-on-failure --timeout 300 2>&1) || true
    failed=$(grep -m1 -oE 'Test +#[0-9]+: [A-Za-z0-9_.:]+ .*(Failed|Timeout|Exception|Not Run)' <<<"$out" |
             sed -E 's/^Test +#[0-9]+: ([^ ]+).*/\1/' || true)
}

# Runs the Windows tests on the applied mutant, those most likely to kill it first; sets verdict.
windows_verdict() {
    prepare_windows
    if ! cmake --build "$windows" -j "$jobs" >"$work/build.log" 2>&1; then
        verdict="stillborn (does not compile for Windows)"; return
    fi
    local failed=""
    windows_tests -R "$windows_first" -E "$windows_skip"
    [ -n "$failed" ] || windows_tests -E "$windows_skip|$windows_first"
    if [ -n "$failed" ]; then verdict="killed under Wine by $failed"; else verdict=survived; fi
}

# Judges each mutant of the files given (of those in `survivor`, with --survivors or for the
# other workers' survivors, whose native verdict is known when $native_known is 1).
native_known=0
judge() {
    local file line column change original mutant key
    while IFS=$'\t' read -r -u 3 file line column change original mutant; do
        if [ $survivors_only = 1 ] && [ -z "${survivor["$file:$line"$'\t'"$(sed 's/^ *//' <<<"$mutant")"]:-}" ]; then
            continue
        fi
        [ -z "$change_only" ] || [[ $change =~ $change_only ]] || continue
        key="$file"$'\t'"$original"$'\t'"$(sed 's/^ *//' <<<"$mutant")"
        cp "$src/$file" "$work/original"
        current=$file
        python3 scripts/mutants.py apply "$src/$file" "$line" <<<"$mutant"
        if [ $native_known = 1 ] || { [ $check_equivalents = 0 ] && [ -n "${equivalent[$key]:-}" ]; }; then
            verdict=survived  # as the other worker found, or as judged, unchecked
        else
            native_verdict "$file"
        fi
        if [ "$verdict" = survived ] && [ -n "${equivalent[$key]:-}" ]; then
            verdict="equivalent (${equivalent[$key]})"
        elif [ "$verdict" = survived ] && [ $wine = 1 ]; then
            windows_verdict
        elif [[ $verdict == killed* ]] && [ -n "${equivalent[$key]:-}" ]; then
            verdict="$verdict, but listed as equivalent: take it off the list"
        fi
        restore
        printf '%s:%s:%s %s: %s\n    %s\n' "$file" "$line" "$column" "$change" "$verdict" "$(sed 's/^ *//' <<<"$mutant")" |
            tee -a "$results"
    done 3< <(cd "$src" && python3 "$root/scripts/mutants.py" list "$@") </dev/null
}

judge "${files[@]}"

# The other workers' results; what they left alive goes on to Wine here.
[ ${#helpers[@]} = 0 ] || wait
for helper in "${helpers[@]}"; do
    if ! grep -q '^mutants: ' "$helper/results.txt" 2>/dev/null; then
        echo "mutate: the worker in $helper did not finish:" >&2
        tail -n 20 "$helper.log" >&2
        exit 1
    fi
    survivor=()
    shared=()
    while IFS= read -r head && IFS= read -r body; do
        place=${head%% *}
        shared+=("${place%%:*}")
        if [[ $head == *": survived" ]] && [ $wine = 1 ]; then
            survivor["${place%:*}"$'\t'"$(sed 's/^ *//' <<<"$body")"]=1
        else
            printf '%s\n%s\n' "$head" "$body" | tee -a "$results"
        fi
    done < <(grep -B1 '^    ' "$helper/results.txt" | grep -v '^--$')
    if [ ${#survivor[@]} -gt 0 ]; then
        survivors_only=1 native_known=1
        judge $(printf '%s\n' "${shared[@]}" | sort -u)
        survivors_only=0 native_known=0
    fi
done

# The trees end as the sources are.
cmake --build "$native" -j "$jobs" --target "${native_tests[@]}" >/dev/null
declare -A count
total=0
while IFS= read -r head; do
    total=$((total + 1))
    case ${head#*: } in
        killed\ under*) count[wine]=$((${count[wine]:-0} + 1)) ;;
        killed*) count[killed]=$((${count[killed]:-0} + 1)) ;;
        equivalent*) count[equivalent]=$((${count[equivalent]:-0} + 1)) ;;
        stillborn*) count[stillborn]=$((${count[stillborn]:-0} + 1)) ;;
        *) count[survived]=$((${count[survived]:-0} + 1)) ;;
    esac
done < <(grep -B1 '^    ' "$results" | grep -v '^--$' | grep -v '^    ')
killed=$((${count[killed]:-0} + ${count[wine]:-0}))
judged=$((total - ${count[stillborn]:-0} - ${count[equivalent]:-0}))
{
    echo
    echo "mutants: $total in $file_count files, $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
    echo "  killed natively:   ${count[killed]:-0}"
    echo "  killed under Wine: ${count[wine]:-0}"
    echo "  equivalent:        ${count[equivalent]:-0}"
    echo "  not compiling:     ${count[stillborn]:-0}"
    echo "  survived:          ${count[survived]:-0}"
    [ $judged -gt 0 ] && echo "score: $killed of $judged killed ($(( 100 * killed / judged )) %)"
} | tee -a "$results"
[ "${count[survived]:-0}" = 0 ]

#!/usr/bin/env bash
# Runs every native test executable under valgrind's memcheck. Any memory error, and any
# definite or indirect leak, fails the run; each executable's report is kept beside it.
#   scripts/memcheck.sh              configures and builds build/memcheck from the native preset
#   scripts/memcheck.sh BUILD_DIR    uses an already built native tree (CI passes build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
    dir=build/memcheck
    cmake --preset native -B "$dir" >/dev/null
    cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)"
else
    dir=$1
fi
dir=$(cd "$dir" && pwd)

# allocation_test brings its own malloc and operator new, which memcheck replaces in turn;
# doctor_linux_test runs its own file again as stand-in programs, and under valgrind its own
# file is valgrind's. The simulated game's native tests sit one folder down, in tests/sim.
mapfile -t tests < <(find "$dir/tests" -maxdepth 2 -type f -executable -name '*_test' ! -name allocation_test \
                         ! -name doctor_linux_test | sort)
[ ${#tests[@]} -gt 0 ] || { echo "memcheck: no test executables in $dir/tests" >&2; exit 1; }
mkdir -p "$dir/memcheck"
# The tests' scratch directories go under TMPDIR: a private one keeps this run apart from a
# CTest run of the same executables at the same time.
TMPDIR=$(mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

failed=()
for test in "${tests[@]}"; do
    name=$(basename "$test")
    log=$dir/memcheck/$name.log
    start=$SECONDS
    if (cd "$dir/tests" && valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
            --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
            --track-origins=yes --log-file="$log" "$test" --gtest_brief=1 >"$log.out" 2>&1); then
        echo "memcheck: $name clean ($((SECONDS - start))s)"
    else
        echo "memcheck: $name FAILED ($((SECONDS - start))s), see $log and $log.out"
        failed+=("$name")
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "memcheck: ${#failed[@]} failed: ${failed[*]}"; exit 1; }
echo "memcheck: ${#tests[@]} executables clean"

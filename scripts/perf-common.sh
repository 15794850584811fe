# Sourced by the perf-*.sh scripts, from the project's root, after `set -euo pipefail`.

# Builds the windows preset's TARGETs into $build (build/perf-wine, or VELTRANE_BUILD_DIR) and
# sets the Wine prefix beside them.
perf_build() {
    scripts/install-deps.sh
    build="${VELTRANE_BUILD_DIR:-build/perf-wine}"
    scripts/windows-build.sh "$build" "$@"
    export WINEPREFIX="$PWD/$build/wineprefix"
}

perf_machine() { echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"; }

# "before" or "after": the machine's load averages then.
perf_load() { echo "load $1 the runs: $(cut -d ' ' -f 1-3 /proc/loadavg)"; }

# A wineserver of the next run's own (scripts/wine-run.sh starts it): it inherits the game's placement.
perf_fresh_wineserver() {
    wineserver -k 2>/dev/null || true
    wineserver -w
}

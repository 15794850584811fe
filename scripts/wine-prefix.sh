#!/usr/bin/env bash
# Makes the Wine prefix given as $1 once (wineboot --init, then waits for its wineserver), so that
# parallel tests never race to create it on first use.
set -euo pipefail
prefix=$(realpath -m "$1")  # wineserver wants an absolute prefix
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8  # as scripts/wine-run.sh
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot --init >/dev/null 2>&1 || true
    # The registry reaches the prefix's files when the server ends.
    wineserver -w
fi
test -f "$prefix/system.reg"

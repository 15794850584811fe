#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, quietly. CTest uses this as the
# cross-compiling emulator; the prefix is made once, before the tests, by scripts/wine-prefix.sh.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must point at the build's Wine prefix (see scripts/wine-prefix.sh)}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"

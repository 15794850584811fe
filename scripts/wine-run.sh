#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, quietly. CTest uses this as the
# cross-compiling emulator; the prefix is made once, before the tests, by scripts/wine-prefix.sh.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the build, see scripts/wine-prefix.sh}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"

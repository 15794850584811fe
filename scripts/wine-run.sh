#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, quietly. CTest uses this as the
# cross-compiling emulator; the prefix is made once, before the tests, by scripts/wine-prefix.sh.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the build, see scripts/wine-prefix.sh}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Wine turns the Unix command line into Unicode, and picks the ANSI code page, by the Unix
# locale: one pinned locale makes a path such as ".../Игры/..." arrive intact, and every machine
# run the Windows programs alike (a fresh machine or CI may have no locale set at all).
export LC_ALL=C.UTF-8
exec wine "$@"

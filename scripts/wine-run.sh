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
# Wine's session (the wineserver and the system programs it starts: services, explorer, ...)
# keeps the standard output and error of whichever program started it until it ends: a test
# whose program starts it beside a long run waits for that run to end (a --help run took 28 s
# beside the soak, and a test timed out). So the session is started here, detached from every
# output, and lingers 10 s after its last program; the lock makes parallel runs wait for it
# instead of starting it themselves. None of the session may inherit the lock.
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX/.session.lock"
flock 9
if wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&- || true
fi
exec 9>&-
exec wine "$@"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
# Every developer command calls this first, so a fresh Debian machine needs nothing by hand.
set -euo pipefail

packages=(
    cmake make g++ git                  # native build
    ninja-build python3                 # scripts/mutate.sh
    mingw-w64                           # the Windows build (x86_64-w64-mingw32-g++-win32, windres, dlltool)
    googletest libgtest-dev             # unit tests (the Windows build compiles /usr/src/googletest)
    wine wine64                         # running the Windows build: tests and the simulated game
    libbenchmark-dev valgrind           # benchmarks, callgrind, memcheck
    clang libclang-rt-14-dev            # fuzzers and sanitizers
    clang-tidy                          # the clang-tidy preset
    llvm                                # llvm-nm: the names clang decorates for the host's MSVC ABI
    nlohmann-json3-dev libcli11-dev     # JSON: the simulated game's scenarios, Epic's manifests; CLI11: both programs' options
    zip unzip                           # the release package
    chromium                            # the simulated game's HTML page, checked in a headless browser
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q >/dev/null
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null

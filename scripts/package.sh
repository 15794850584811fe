#!/usr/bin/env bash
# Builds the release package, build/windows/Veltrane-<version>.zip (Veltrane.asi,
# veltrane-doctor.exe, README.txt, CHANGES.txt, LICENSE.txt), and prints its path. The version is the one in
# the root CMakeLists.txt's project(). Usage: bash scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=${1:-build/windows}
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target veltrane_package -j "$(nproc 2>/dev/null || echo 2)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
echo "$build/Veltrane-$version.zip"

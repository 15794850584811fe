#!/usr/bin/env bash
# The plugin's main job: installs what is missing and builds Veltrane.asi for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc 2>/dev/null || echo 2)"
echo "built: build/windows/Veltrane.asi"

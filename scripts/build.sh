#!/usr/bin/env bash
# Configures and builds one preset (default, asan or tsan). Usage: scripts/build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
jobs="${VARN_JOBS:-$(nproc)}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"

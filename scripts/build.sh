#!/usr/bin/env bash
# Configures and builds one preset (default, asan or tsan). Usage: scripts/build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
jobs="${VARN_JOBS:-$(nproc)}"
# Let ccache share results between clones of the repository in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"

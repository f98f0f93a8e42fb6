#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors, checks the formatting and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
bash scripts/build.sh default
ctest --preset default -j "${VARN_JOBS:-$(nproc)}"

#!/usr/bin/env bash
# The fault soak: the whole program under Xvfb against the relay simulator with 10 % of its replies faulted,
# driven through its windows by real input (clock set every 10 s, settings and parameters up and down every
# minute, event records every 5 minutes, the monitor saved every 2.5 minutes), with a local midnight inside
# the run. Prints its figures and fails on any problem; the report is kept in build/default/soak-report.txt.
# Usage: scripts/soak.sh [minutes, default 30] [seed]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-30}"
seed="${2:-$(( $(date +%s) % 100000 ))}"
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake --preset default >/dev/null
cmake --build --preset default -j "${VARN_JOBS:-$(nproc)}" --target varn relay_sim
cd tests/e2e
# exec: a SIGTERM to this script reaches the soak, which then ends its processes and fails.
VARN_BIN_DIR="$OLDPWD/build/default/bin" PYTHONDONTWRITEBYTECODE=1 \
  exec /usr/bin/python3 soak.py --minutes "$minutes" --seed "$seed" --report "$OLDPWD/build/default/soak-report.txt"

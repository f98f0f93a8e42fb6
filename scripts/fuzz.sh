#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and runs every
# fuzz target for the given seconds on its seed corpus from tests/fuzz/corpus/. Fails on any crash, leak,
# sanitizer report, time-out or memory blow-up (a process over 2048 MB, or one allocation over 512 MB: no
# target needs that much); the input that caused it is kept in build/fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds, default 20] [target ...]   (targets: fuzz_workbook, fuzz_sql, ...)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
rss_limit_mb=2048
malloc_limit_mb=512
shift || true
bash scripts/install-deps.sh
jobs="${VARN_JOBS:-$(nproc)}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

bin=build/fuzz/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$bin"/fuzz_*; do targets+=("$(basename "$f")"); done
fi
mkdir -p build/fuzz/artifacts
failed=()
for t in "${targets[@]}"; do
  seeds="tests/fuzz/corpus/${t#fuzz_}"
  work="build/fuzz/corpus/${t#fuzz_}"  # new inputs go here, the committed seeds stay as they are
  mkdir -p "$work"
  echo "== $t: ${seconds}s on $seeds"
  log="build/fuzz/$t.log"
  if "$bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb="$rss_limit_mb" \
      -malloc_limit_mb="$malloc_limit_mb" -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$t-" "$work" "$seeds" >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
    grep -E 'stat::number_of_executed_units' "$log" || true
  else
    tail -40 "$log"
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets ran ${seconds}s each without a fault"

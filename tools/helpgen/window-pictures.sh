#!/usr/bin/env bash
# Takes a picture of every window of the program in <program folder> against the relay simulator, on the
# offscreen platform, into <picture folder>: window-pictures.sh <program folder> <picture folder>
# The program also writes the settings sheet there (sheet.pdf); its first page becomes sheet.png.
set -euo pipefail
program_dir=$1
out=$2
rm -rf "$out" && mkdir -p "$out"
port=$(grep -a -i -m1 '^[[:space:]]*Port' "$program_dir/配置文件/基本配置.ini" | tr -dc '0-9' || true)
port="${port:-2}"
"$program_dir/relay_sim" --program-folder "$program_dir" --com "$port" --keep-running > "$out/relay_sim.out" 2>&1 < /dev/null &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$program_dir/dosdevices/com$port" ] && break; sleep 0.1; done
QT_QPA_PLATFORM=offscreen VARN_SCREENSHOT_DIR="$out" timeout 120 "$program_dir/varn" > "$out/varn.out" 2>&1 || {
  echo "window-pictures: the program failed; its output:" >&2
  cat "$out/varn.out" >&2
  exit 1
}
pdftoppm -png -r 72 -f 1 -l 1 -singlefile "$out/sheet.pdf" "$out/sheet"

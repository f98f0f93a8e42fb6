#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program against the relay simulator.
# Without a display the program runs under Xvfb, saves screenshots and prints where they are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh default

program_dir="$PWD/build/default/bin"
sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

# The shipped 基本配置.ini names COM2; the simulator links dosdevices/com2 in the program folder to its pseudo-terminal.
if [ -x "$program_dir/relay_sim" ]; then
  port=$(grep -a -i -m1 '^[[:space:]]*Port' "$program_dir/配置文件/基本配置.ini" | tr -dc '0-9')
  port="${port:-2}"
  "$program_dir/relay_sim" --program-folder "$program_dir" --com "$port" --keep-running > "$program_dir/relay_sim.out" 2>&1 < /dev/null &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$program_dir/dosdevices/com$port" ] && break; sleep 0.1; done
  echo "Relay simulator running on COM$port ($(readlink "$program_dir/dosdevices/com$port" 2>/dev/null || echo '?'))"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$program_dir/varn"
else
  shots="$PWD/build/default/screenshots"
  rm -rf "$shots" && mkdir -p "$shots"
  echo "No display: running headless under Xvfb; screenshots go to $shots"
  VARN_SCREENSHOT_DIR="$shots" xvfb-run -a -s "-screen 0 1600x1000x24" "$program_dir/varn"
  echo "Screenshots saved in $shots:"
  ls -1 "$shots"/*.png
fi

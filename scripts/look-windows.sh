#!/usr/bin/env bash
# Looks at the Windows package under Wine on a virtual screen, beside the Linux build, in one scenario:
#   the installer runs silently (/S) into a fresh Wine prefix (Wine's X11 driver);
#   each program starts against its own relay simulator (Linux: dosdevices/com2 of its program folder;
#   Wine: $WINEPREFIX/dosdevices/com2), polls, gets 校对时钟 clicked, and is closed with Escape;
#   screenshots are taken while it starts (the splash), once the values are live, and after the click;
#   the two daily log files are compared with their time stamps masked (scripts/compare-daily-logs.py).
# Needs the default build and dist/VARN-Setup-<version>.exe (scripts/package-windows.sh).
# Usage: scripts/look-windows.sh        prints where the screenshots are; fails when the logs differ
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
version=$(sed -n 's/^project(VARN VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup="$repo/dist/VARN-Setup-$version.exe"
[ -f "$setup" ] || { echo "look-windows: $setup is missing; run scripts/package-windows.sh" >&2; exit 1; }
bin="$repo/build/default/bin"
[ -x "$bin/varn" ] && [ -x "$bin/relay_sim" ] || { echo "look-windows: build the default preset first" >&2; exit 1; }

packages=(wine wine64 xvfb xdotool openbox python3-pil fonts-wqy-microhei)
. "$repo/scripts/lib/packages.sh"
ensure_packages "${packages[@]}"

look="$repo/build/windows-qt/look"
rm -rf "$look"
mkdir -p "$look/shots"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The screen: Xvfb and a window manager.
display_number=77
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done
export DISPLAY=":$display_number"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

shot() { /usr/bin/python3 -c "import sys; from PIL import ImageGrab; ImageGrab.grab(xdisplay='$DISPLAY').save(sys.argv[1])" "$1"; }

# The newest daily log of a program folder.
daily_log() { ls -t "$1/运行记录/"*.log 2>/dev/null | head -n1; }

# Waits until the daily log of folder $1 has not grown for $2 seconds (at most $3 seconds in all).
wait_quiet() {
  local size=-1 same=0 waited=0 now log
  while [ "$waited" -lt "$(($3 * 2))" ]; do
    log=$(daily_log "$1")
    now=$( [ -n "$log" ] && stat -c %s "$log" || echo 0)
    if [ "$now" = "$size" ]; then same=$((same + 1)); else same=0; size=$now; fi
    [ "$same" -ge "$(($2 * 2))" ] && return 0
    sleep 0.5
    waited=$((waited + 1))
  done
  echo "look-windows: the log of $1 kept growing" >&2
  return 1
}

# run_scenario NAME PROGRAM_FOLDER COMMAND...: the scenario for one build.
run_scenario() {
  local name=$1 folder=$2
  shift 2
  (cd "$folder" && exec "$@") >"$look/$name.out" 2>&1 &
  local program=$! window="" i
  pids+=("$program")
  # While it starts: a picture every half second until the main window is there (the splash among them).
  for i in $(seq -w 1 120); do
    shot "$look/shots/$name-start-$i.png"
    window=$(xdotool search --onlyvisible --name '^Orlin - VARN$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.5
  done
  [ -n "$window" ] || { echo "look-windows: $name: no main window within 60 s" >&2; return 1; }
  echo "== $name: main window after about $((10#$i / 2)) s"
  wait_quiet "$folder" 4 120
  shot "$look/shots/$name-main.png"
  # 校对时钟: the second button of the first row (dialog units 403,340 52x22 of a 680x399 window).
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --window "$window" $((WIDTH * 429 / 680)) $((HEIGHT * 351 / 399)) click 1
  wait_quiet "$folder" 3 30
  shot "$look/shots/$name-clock.png"
  xdotool key Escape
  for i in $(seq 60); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$program" 2>/dev/null; then
    echo "look-windows: $name did not end after Escape" >&2
    return 1
  fi
  cp "$(daily_log "$folder")" "$look/$name-daily.log"
}

# --- Linux: the default build in a scratch program folder.
linux="$look/linux-program"
mkdir -p "$linux"
cp "$bin/varn" "$linux/"
cp -r "$bin/配置文件" "$linux/"
for d in 运行记录 报文存档 项目存档 信息导出 帮助文件; do mkdir -p "$linux/$d"; done
"$bin/relay_sim" --program-folder "$linux" --com 2 --still --keep-running </dev/null >"$look/relay_sim-linux.out" 2>&1 &
pids+=($!)
sleep 1
run_scenario linux "$linux" ./varn

# --- Windows under Wine: install silently into a fresh prefix, then the same scenario.
# A home of its own: Wine links the prefix's Desktop folder to $HOME, where the desktop shortcut lands.
mkdir -p "$look/home"
export HOME="$look/home" WINEPREFIX="$look/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
t=$(date +%s)
wineboot --init >/dev/null 2>&1
wineserver -w
echo "== Wine prefix made in $(($(date +%s) - t)) s"
t=$(date +%s)
wine "$setup" /S >"$look/setup.out" 2>&1
wineserver -w
installed="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/VARN"
[ -f "$installed/varn.exe" ] || { echo "look-windows: the installer left no $installed/varn.exe" >&2; exit 1; }
echo "== installed in $(($(date +%s) - t)) s: $(find "$installed" -type f | wc -l) files; shortcuts:"
users="$WINEPREFIX/drive_c/users/$(id -un)"
ls "$users/Desktop/"*.lnk "$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/VARN/"*.lnk | sed 's/^/   /'
"$bin/relay_sim" --program-folder "$installed" --still --keep-running </dev/null >"$look/relay_sim-wine.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q '^PTY ' "$look/relay_sim-wine.out" && break; sleep 0.1; done
ln -sfn "$(sed -n 's/^PTY //p' "$look/relay_sim-wine.out")" "$WINEPREFIX/dosdevices/com2"
run_scenario wine "$installed" wine ./varn.exe

echo "== screenshots in $look/shots:"
ls "$look/shots" | sed 's/^/   /'
echo "== daily logs: $look/linux-daily.log $look/wine-daily.log"
/usr/bin/python3 scripts/compare-daily-logs.py "$look/linux-daily.log" "$look/wine-daily.log"

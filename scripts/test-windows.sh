#!/usr/bin/env bash
# Builds the Windows preset (the libraries without Qt, their tests and the communication server) with
# mingw-w64 and runs the tests under Wine. The relay-facing tests reach the Linux relay simulator through a
# COM port of the Wine prefix: $WINEPREFIX/dosdevices/comN links to the simulator's pseudo-terminal.
# Usage: scripts/test-windows.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
jobs="${VARN_JOBS:-$(nproc)}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true

packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build)

. scripts/lib/packages.sh
ensure_packages "${packages[@]}"
echo "== packages ready after $(( $(date +%s) - started )) s"

# The relay simulator runs on Linux; only its target of the Linux build is needed.
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs" --target relay_sim
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "== built after $(( $(date +%s) - started )) s"

build="$PWD/build/windows"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  wineboot --init >/dev/null 2>&1
  # Windows without a display: Wine's null graphics driver creates real windows and carries their
  # messages, and needs no X server.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  wineserver -w
fi
# One server for the whole run, so that no test pays for starting Wine again.
wineserver -p 2>/dev/null || true  # already running for this prefix is fine
# Wine starts its system processes (services, the desktop that owns the windows) with the first program that
# needs them, and they live as long as the server. Started here, they hold no pipe that CTest waits on.
wine build/windows/tests/win32_windowlink_test.exe --gtest_filter='*ExactTitle*' </dev/null >/dev/null 2>&1
sim_pids=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
echo "== Wine prefix ready after $(( $(date +%s) - started )) s"

# Starts relay_sim with the given options, its output in $build/<name>.out; sets `pty` to its terminal.
start_sim() {
  local name=$1
  shift
  build/default/bin/relay_sim --keep-running "$@" </dev/null >"$build/$name.out" 2>"$build/$name.err" &
  sim_pids+=($!)
  for _ in $(seq 100); do
    grep -q '^PTY ' "$build/$name.out" 2>/dev/null && break
    sleep 0.1
  done
  pty=$(sed -n 's/^PTY //p' "$build/$name.out" | head -n1)
  if [ -z "$pty" ]; then
    echo "relay_sim did not start" >&2
    cat "$build/$name.err" >&2
    exit 1
  fi
}
mkdir -p "$WINEPREFIX/dosdevices"
# COM5 of the prefix reaches the simulator.
com_port=5
start_sim relay_sim
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$com_port"
export VARN_WINE_COM_PORT=$com_port
# COM6 reaches one whose terminal keeps the system's settings (XON/XOFF on) and answers as slave 19, so
# that every reply begins with an XOFF byte.
xoff_port=6
start_sim relay_sim_xoff --terminal-defaults --address 19
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$xoff_port"
export VARN_WINE_XOFF_COM_PORT=$xoff_port

ctest --preset windows -j "$jobs" "$@"

# The tests of the window side that need Qt (the UI bridge on the Windows wake event), where Qt for Windows
# has been built on this machine (scripts/build-qt-windows.sh).
qt="$HOME/.cache/varn/qt6-windows"
if [ -f "$qt/bin/Qt6Test.dll" ]; then
  cmake --build --preset default -j "$jobs" --target varn_resgen
  cmake --preset windows-qt >/dev/null
  cmake --build --preset windows-qt -j "$jobs" --target win32_ui_bridge_test
  mingw_gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  WINEPATH="Z:$qt/bin;Z:$mingw_gcc;Z:/usr/x86_64-w64-mingw32/lib" \
    ctest --test-dir build/windows-qt -R '^win32_ui_bridge_test$' --output-on-failure
else
  echo "== no Qt for Windows in $qt: the UI bridge's Windows test is left out"
fi
echo "== Windows tests passed in $(( $(date +%s) - started )) s"

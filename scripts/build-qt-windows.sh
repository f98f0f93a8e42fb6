#!/usr/bin/env bash
# Cross-builds Qt for 64-bit Windows once, from Debian's own qt6-base source (the same version as the host
# Qt, whose moc, rcc and uic the build uses), with mingw-w64 (posix threads). Only what the program needs:
# Core, Gui, Widgets, the windows platform plugin and Test. The result goes to ~/.cache/varn/qt6-windows
# (or $VARN_QT_WINDOWS); a complete earlier build is kept and the script says so.
# VARN_QT_OPTIMIZE (for example -O0) replaces Qt's own optimization level, which shortens the compile a lot
# on a busy machine; the DLLs are then larger and slower.
# Usage: scripts/build-qt-windows.sh [--force | --resume]
#   --force: build again although a complete result is there
#   --resume: carry on with an interrupted compile in the build folder (configured options kept)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
prefix="${VARN_QT_WINDOWS:-$HOME/.cache/varn/qt6-windows}"
work="${VARN_QT_WINDOWS_WORK:-$HOME/.cache/varn/qt6-windows-build}"
jobs="${VARN_JOBS:-2}"
version=6.4.2
stamp="$prefix/.varn-complete"

mode="${1:-}"
if [ "$mode" != --force ] && [ -f "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] &&
  [ -f "$prefix/plugins/platforms/qwindows.dll" ]; then
  echo "Qt $version for Windows is already in $prefix ($(cat "$stamp"))"
  exit 0
fi

t0=$(date +%s)
stage() { echo "== $1 took $(($(date +%s) - $2)) s"; }

# Packages: the cross compiler, the host Qt (its tools and Qt6HostInfo) and what apt-get source needs.
packages=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools dpkg-dev cmake ninja-build ccache perl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true)
src_list=/etc/apt/sources.list.d/varn-deb-src.sources
if [ ${#missing[@]} -gt 0 ] || [ ! -f "$src_list" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Installing ${missing[*]:-nothing} and adding $src_list needs root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Source packages of the same suite as the binary packages.
  suite=$(grep -h "^Suites:" /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | awk '{print $2}' | head -n1)
  cat >"$src_list" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${suite:-bookworm}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -q
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -q --no-install-recommends "${missing[@]}"
  host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
fi
stage "packages" "$t0"

# The source: exactly the host Qt's Debian version, so that the host tools match.
t=$(date +%s)
mkdir -p "$work"
srcdir=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$version*" | head -n1)
if [ -z "$srcdir" ] || [ ! -f "$srcdir/CMakeLists.txt" ]; then
  (cd "$work" && apt-get source -q "qt6-base=$host_version")
  srcdir=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$version*" | head -n1)
fi
# Debian's source leaves out the tablet interface header (its licence forbids changes). The Windows plugin gets
# a compile-only stand-in and never loads the tablet driver (Qt takes pen input through the pointer messages).
wintab="$srcdir/src/3rdparty/wintab"
[ -f "$wintab/wintab.h" ] || { mkdir -p "$wintab" && cp "$repo"/packaging/windows/qt-wintab/*.h "$wintab/"; }
tablet="$srcdir/src/plugins/platforms/windows/qwindowstabletsupport.cpp"
grep -q 'VARN:' "$tablet" ||
  sed -i 's|^    QSystemLibrary library(QStringLiteral("wintab32"));|    return false;  // VARN: stand-in tablet header, no tablet driver\n&|' "$tablet"
# Qt 6.4's Windows plugin asks for the OpenGL module in one place even when OpenGL is switched off.
window_cpp="$srcdir/src/plugins/platforms/windows/qwindowswindow.cpp"
grep -q 'QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)' "$window_cpp" ||
  sed -i '/^static inline bool isSoftwareGl()/,/^}/s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' "$window_cpp"
# ... and for the DirectWrite font database, which Gui builds only with Direct2D (switched off here).
integration_cpp="$srcdir/src/plugins/platforms/windows/qwindowsintegration.cpp"
grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$integration_cpp" ||
  sed -i '/if (!d->m_fontDatabase) {/,/^#endif/s/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$integration_cpp"
stage "source ($srcdir)" "$t"

# Configure. The toolchain is the project's own, with the compiler's runtime as DLLs (Qt's DLLs and the
# program share one C++ runtime).
t=$(date +%s)
build="$work/build"
if [ "$mode" = --resume ] && [ -f "$build/build.ninja" ]; then
  echo "== configure skipped: resuming the compile in $build"
else
rm -rf "$build" "$prefix"
mkdir -p "$build"
launcher=()
if [ -n "${VARN_QT_OPTIMIZE:-}" ]; then
  # Qt puts its own optimization flag into every compile line; the last one given counts.
  cat >"$work/compile-launcher" <<LAUNCHER
#!/bin/sh
exec $(command -v ccache || true) "\$@" ${VARN_QT_OPTIMIZE}
LAUNCHER
  chmod +x "$work/compile-launcher"
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER="$work/compile-launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$work/compile-launcher")
elif command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$srcdir" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  -DVARN_MINGW_STATIC_RUNTIME=OFF \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  "${launcher[@]}" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_opengles2=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_sql=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF \
  -DFEATURE_icu=OFF -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF \
  -DFEATURE_direct2d=OFF \
  >"$work/configure.log" 2>&1 || {
  tail -n 40 "$work/configure.log" >&2
  echo "configure failed, see $work/configure.log" >&2
  exit 1
}
grep -E '^(Build type|  (Core|Gui|Widgets|Test)|Qt Gui|  Windows|    Using)' "$work/configure.log" | head -n 20 || true
stage "configure" "$t"
fi

t=$(date +%s)
[ "$mode" = --resume ] || : >"$work/compile.log"
nice -n 5 cmake --build "$build" -j "$jobs" >>"$work/compile.log" 2>&1 || {
  grep -E -A5 '^FAILED|error' "$work/compile.log" | head -n 60 >&2
  echo "compile failed, see $work/compile.log" >&2
  exit 1
}
stage "compile" "$t"

t=$(date +%s)
cmake --install "$build" >"$work/install.log"
echo "qt6-base $host_version ${VARN_QT_OPTIMIZE:-}, built $(date -u +%FT%TZ)" >"$stamp"
stage "install" "$t"
echo "Qt for Windows: $prefix ($(du -sh "$prefix" | cut -f1)); whole run took $(($(date +%s) - t0)) s"

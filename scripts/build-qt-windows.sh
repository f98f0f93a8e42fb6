#!/usr/bin/env bash
# Cross-builds Qt for 64-bit Windows once, from Debian's own qt6-base source (the same version as the host
# Qt, whose moc, rcc and uic the build uses), with mingw-w64 (posix threads). Only what the program needs:
# Core, Gui, Widgets, the windows platform plugin and Test. The result goes to ~/.cache/varn/qt6-windows
# (or $VARN_QT_WINDOWS) with the completeness marker .varn-complete; a complete earlier build is kept and the
# script says so.
# VARN_QT_OPTIMIZE (for example -O1) replaces Qt's own optimization level, which shortens the compile a lot
# on a busy machine; the DLLs are then larger and slower.
# Usage: scripts/build-qt-windows.sh [--force | --resume | --from-archive FILE]
#   --force: build again although a complete result is there
#   --resume: carry on with an interrupted compile in the build folder (configured options kept)
#   --from-archive FILE: take Qt from FILE (a .tar.xz of an install tree this script made, with its top folder
#     and marker, checked against FILE.sha256) instead of compiling it
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
prefix="${VARN_QT_WINDOWS:-$HOME/.cache/varn/qt6-windows}"
work="${VARN_QT_WINDOWS_WORK:-$HOME/.cache/varn/qt6-windows-build}"
jobs="${VARN_JOBS:-2}"
version=6.4.2
stamp="$prefix/.varn-complete"

mode="${1:-}"
archive=""
case "$mode" in
  "" | --force | --resume) ;;
  --from-archive)
    archive="${2:-}"
    [ -n "$archive" ] || { echo "build-qt-windows: --from-archive needs the archive's path" >&2; exit 2; }
    archive=$(realpath "$archive")
    ;;
  *) echo "Usage: scripts/build-qt-windows.sh [--force | --resume | --from-archive FILE]" >&2; exit 2 ;;
esac

base_complete() {
  [ -f "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] &&
    [ -f "$prefix/bin/Qt6Widgets.dll" ] && [ -f "$prefix/plugins/platforms/qwindows.dll" ]
}
if [ "$mode" != --force ] && [ -z "$archive" ] && base_complete; then
  echo "Qt $version for Windows is already in $prefix ($(head -n1 "$stamp"))"
  exit 0
fi

t0=$(date +%s)
stage() { echo "== $1 took $(($(date +%s) - $2)) s"; }

# prepare_build: the packages the compile needs (the cross compiler, the host Qt with its tools and
# Qt6HostInfo, what apt-get source needs) and a deb-src entry beside each of the machine's own deb entries.
prepare_build() {
  local t p missing=() configured deb_src packages
  t=$(date +%s)
  packages=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools dpkg-dev cmake ninja-build ccache perl xz-utils)
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  . scripts/lib/deb-src.sh
  src_list=/etc/apt/sources.list.d/varn-deb-src.sources
  shopt -s nullglob
  configured=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
  shopt -u nullglob
  deb_src=$(deb_src_entries "${configured[@]/$src_list/}")
  [ -n "$deb_src" ] || { echo "build-qt-windows: no Debian source is configured for APT" >&2; exit 1; }
  deb_src=$(printf '%s\n%s' "# Source packages of the Debian sources configured for this machine (build-qt-windows.sh)." \
    "$deb_src")
  if [ ${#missing[@]} -gt 0 ] || [ "$(cat "$src_list" 2>/dev/null)" != "$deb_src" ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Installing ${missing[*]:-nothing} and writing $src_list needs root" >&2
      exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    printf '%s\n' "$deb_src" >"$src_list"
    apt-get update -q
    [ ${#missing[@]} -eq 0 ] || apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
  host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
  stage "packages" "$t"
}

# fetch_source NAME VERSION: the unpacked Debian source NAME=VERSION in $work; prints its folder.
fetch_source() {
  local name=$1 wanted=$2 dir
  mkdir -p "$work"
  dir=$(find "$work" -maxdepth 1 -type d -name "$name-$version*" | head -n1)
  if [ -z "$dir" ] || [ ! -f "$dir/CMakeLists.txt" ]; then
    # An index of the source packages older than the entry (or none yet) is read again once.
    (cd "$work" && { apt-get source -q "$name=$wanted" || { apt-get update -q && apt-get source -q "$name=$wanted"; }; }) >&2
    dir=$(find "$work" -maxdepth 1 -type d -name "$name-$version*" | head -n1)
  fi
  [ -n "$dir" ] || { echo "build-qt-windows: no source of $name $wanted" >&2; return 1; }
  echo "$dir"
}

# compile_launcher: the compiler launcher options (ccache, and VARN_QT_OPTIMIZE's flag after Qt's own).
compile_launcher() {
  if [ -n "${VARN_QT_OPTIMIZE:-}" ]; then
    # Qt puts its own optimization flag into every compile line; the last one given counts.
    mkdir -p "$work"
    cat >"$work/compile-launcher" <<LAUNCHER
#!/bin/sh
exec $(command -v ccache || true) "\$@" ${VARN_QT_OPTIMIZE}
LAUNCHER
    chmod +x "$work/compile-launcher"
    echo "-DCMAKE_C_COMPILER_LAUNCHER=$work/compile-launcher -DCMAKE_CXX_COMPILER_LAUNCHER=$work/compile-launcher"
  elif command -v ccache >/dev/null; then
    echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}

# unpack_base: Qt from $archive. The archive is checked against its .sha256 and unpacked beside the
# cache; only a complete tree replaces what is there, in one rename, so that a build reading the cache
# meanwhile never sees half a Qt. A tree already unpacked from the same build is kept.
unpack_base() {
  local t sum expected actual scratch top old
  t=$(date +%s)
  . scripts/lib/packages.sh
  ensure_packages xz-utils
  [ -f "$archive" ] || { echo "build-qt-windows: $archive does not exist" >&2; exit 1; }
  sum="$archive.sha256"
  [ -f "$sum" ] || { echo "build-qt-windows: $sum is missing; an archive is taken only with its checksum" >&2; exit 1; }
  expected=$(awk 'NR == 1 { print $1 }' "$sum")
  actual=$(sha256sum "$archive" | cut -d' ' -f1)
  if [ "$expected" != "$actual" ]; then
    echo "build-qt-windows: checksum of $archive is $actual, $sum says $expected" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$prefix")"
  scratch=$(mktemp -d "$(dirname "$prefix")/.qt6-windows-unpack.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  tar -C "$scratch" -xJf "$archive"
  top=$(find "$scratch" -mindepth 1 -maxdepth 1)
  if [ "$(echo "$top" | wc -l)" -ne 1 ] || [ ! -f "$top/.varn-complete" ] ||
    [ ! -f "$top/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] || [ ! -f "$top/plugins/platforms/qwindows.dll" ]; then
    echo "build-qt-windows: $archive does not hold one complete Qt install tree with its marker" >&2
    exit 1
  fi
  if base_complete && [ "$(head -n1 "$stamp")" = "$(head -n1 "$top/.varn-complete")" ]; then
    echo "== qt6-base of $(basename "$archive") is already in $prefix"
  else
    echo "$(head -n1 "$top/.varn-complete")" >"$top/.varn-complete"
    echo "unpacked from $(basename "$archive"), sha256 $actual" >>"$top/.varn-complete"
    old=""
    if [ -e "$prefix" ]; then
      old="$scratch/old"
      mv "$prefix" "$old"
    fi
    mv "$top" "$prefix"
  fi
  rm -rf "$scratch"
  trap - EXIT
  stage "qt6-base from $(basename "$archive")" "$t"
}

# build_base: qt6-base from Debian's source, exactly the host Qt's version, so that the host tools match.
build_base() {
  local t srcdir wintab tablet window_cpp integration_cpp build launcher
  prepare_build
  t=$(date +%s)
  srcdir=$(fetch_source qt6-base "$host_version")
  # Debian's source leaves out the tablet interface header (its licence forbids changes). The Windows plugin
  # gets a compile-only stand-in and never loads the tablet driver (Qt takes pen input through the pointer
  # messages).
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
  stage "qt6-base source ($srcdir)" "$t"

  # Configure. The toolchain is the project's own, with the compiler's runtime as DLLs (Qt's DLLs and the
  # program share one C++ runtime).
  t=$(date +%s)
  build="$work/build"
  if [ "$mode" = --resume ] && [ -f "$build/build.ninja" ]; then
    echo "== configure skipped: resuming the compile in $build"
  else
    rm -rf "$build" "$prefix"
    mkdir -p "$build"
    read -r -a launcher <<<"$(compile_launcher)"
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
    stage "qt6-base configure" "$t"
  fi

  t=$(date +%s)
  [ "$mode" = --resume ] || : >"$work/compile.log"
  nice -n 5 cmake --build "$build" -j "$jobs" >>"$work/compile.log" 2>&1 || {
    grep -E -A5 '^FAILED|error' "$work/compile.log" | head -n 60 >&2
    echo "compile failed, see $work/compile.log" >&2
    exit 1
  }
  stage "qt6-base compile" "$t"

  t=$(date +%s)
  cmake --install "$build" >"$work/install.log"
  echo "qt6-base $host_version ${VARN_QT_OPTIMIZE:-}, built $(date -u +%FT%TZ)" >"$stamp"
  stage "qt6-base install" "$t"
}

if [ -n "$archive" ]; then
  unpack_base
else
  build_base
fi
echo "Qt for Windows: $prefix ($(du -sh "$prefix" | cut -f1)); whole run took $(($(date +%s) - t0)) s"

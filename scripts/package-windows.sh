#!/usr/bin/env bash
# Builds the whole program for Windows against the Qt of scripts/build-qt-windows.sh and makes
#   dist/VARN-Setup-<version>.exe   the installer (NSIS): per user, into %LOCALAPPDATA%\Programs\VARN
#   dist/VARN-<version>-win64.zip   the same program folder, to unpack anywhere
# Every import of every shipped .exe and .dll must be shipped or be part of Windows; the script fails
# otherwise.
# Usage: scripts/package-windows.sh [--if-qt-cached]
#   --if-qt-cached: without a complete Qt for Windows, say so and end successfully without packaging (CI,
#   where the Qt build is too long to run).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
jobs="${VARN_JOBS:-$(nproc)}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
qt="${VARN_QT_WINDOWS:-$HOME/.cache/varn/qt6-windows}"

if [ ! -f "$qt/.varn-complete" ]; then
  if [ "${1:-}" = --if-qt-cached ]; then
    echo "package-windows: SKIPPED, no Qt for Windows in $qt (make it once with scripts/build-qt-windows.sh)"
    exit 0
  fi
  echo "package-windows: no Qt for Windows in $qt; run scripts/build-qt-windows.sh first" >&2
  exit 1
fi

packages=(g++-mingw-w64-x86-64-posix nsis zip binutils-mingw-w64-x86-64)

. scripts/lib/packages.sh
ensure_packages "${packages[@]}"

version=$(sed -n 's/^project(VARN VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package-windows: no version in CMakeLists.txt" >&2; exit 1; }

# The build machine's generator of the embedded pictures and sounds, and the help document, come from the
# Linux build.
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs" --target varn_resgen help_document
cmake --preset windows-qt -DVARN_QT_WINDOWS="$qt" >/dev/null
cmake --build --preset windows-qt -j "$jobs" --target varn comm_server program_folder
echo "== built after $(($(date +%s) - started)) s"

# The program folder.
name="VARN-$version-win64"
stage="build/windows-qt/package/$name"
rm -rf "build/windows-qt/package"
mkdir -p "$stage/platforms" "$stage/styles" dist
bin=build/windows-qt/bin
mingw_gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
mingw_sys=/usr/x86_64-w64-mingw32/lib
cp "$bin/varn.exe" "$bin/comm_server.exe" "$stage/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$mingw_gcc/libstdc++-6.dll" "$mingw_gcc/libgcc_s_seh-1.dll" "$mingw_sys/libwinpthread-1.dll" "$stage/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll
for d in 配置文件 运行记录 报文存档 项目存档 信息导出 帮助文件; do mkdir -p "$stage/$d"; done
cp program_folder/配置文件/*.ini "$stage/配置文件/"
cp build/default/bin/帮助文件/help.pdf "$stage/帮助文件/"

# Nothing may be missing on a clean Windows: every import is shipped or a DLL of Windows itself.
system_dlls=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll oleaut32.dll winmm.dll
  msvcrt.dll comdlg32.dll imm32.dll dwmapi.dll uxtheme.dll version.dll netapi32.dll userenv.dll ws2_32.dll
  shlwapi.dll mpr.dll dwrite.dll d3d9.dll d3d11.dll dxgi.dll wtsapi32.dll setupapi.dll shcore.dll
  comctl32.dll authz.dll bcrypt.dll crypt32.dll oleacc.dll winspool.drv ntdll.dll rpcrt4.dll d3d12.dll
  dcomp.dll secur32.dll "
system_dlls=" $(echo $system_dlls) "  # one blank between names
shipped=" $(find "$stage" -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z' | tr '\n' ' ') "
import_errors=0
checked=0
while IFS= read -r -d '' binary; do
  checked=$((checked + 1))
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'); do
    case "$dll" in api-ms-win-*) continue ;; esac
    if [[ "$shipped" != *" $dll "* && "$system_dlls" != *" $dll "* ]]; then
      echo "package-windows: ${binary#"$stage"/} imports $dll, which is neither shipped nor part of Windows" >&2
      import_errors=$((import_errors + 1))
    fi
  done
done < <(find "$stage" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$import_errors" -eq 0 ] || exit 1
echo "== imports of $checked executables and DLLs checked: each is shipped or part of Windows"

# The portable zip, then the installer (the same folder; the installer makes the empty working folders).
rm -f "dist/$name.zip" "dist/VARN-Setup-$version.exe"
(cd "$(dirname "$stage")" && zip -q -r -X "$OLDPWD/dist/$name.zip" "$name")
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$PWD/$stage" \
  -DOUTFILE="$PWD/dist/VARN-Setup-$version.exe" packaging/windows/varn.nsi
for f in "dist/VARN-Setup-$version.exe" "dist/$name.zip"; do
  echo "== $f: $(stat -c %s "$f") bytes"
done
echo "== packaged in $(($(date +%s) - started)) s"

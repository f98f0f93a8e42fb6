#!/usr/bin/env bash
# Builds the whole program for Windows against the Qt of scripts/build-qt-windows.sh and makes
#   dist/VARN-Setup-<version>.exe   the installer (NSIS): per user, into %LOCALAPPDATA%\Programs\VARN
#   dist/VARN-<version>-win64.zip   the same program folder, to unpack into a folder of the user's own
# The script fails unless every import of every shipped .exe and .dll is shipped or part of Windows, each of
# them carries DYNAMIC_BASE, NX_COMPAT and HIGH_ENTROPY_VA, and every name in the zip is marked UTF-8.
# Usage: scripts/package-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
jobs="${VARN_JOBS:-$(nproc)}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
qt="${VARN_QT_WINDOWS:-$HOME/.cache/varn/qt6-windows}"
qt_version=6.4.2

if [ $# -gt 0 ]; then
  echo "Usage: scripts/package-windows.sh" >&2
  exit 2
fi
if [ ! -f "$qt/.varn-complete" ]; then
  echo "package-windows: no Qt for Windows in $qt; run scripts/build-qt-windows.sh first" >&2
  exit 1
fi

packages=(g++-mingw-w64-x86-64-posix nsis binutils-mingw-w64-x86-64 qt6-translations-l10n python3)

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
package=build/windows-qt/package
stage="$package/$name"
rm -rf "$package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" dist
bin=build/windows-qt/bin
mingw_gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
mingw_sys=/usr/x86_64-w64-mingw32/lib
cp "$bin/varn.exe" "$bin/comm_server.exe" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$mingw_gcc/libstdc++-6.dll" "$mingw_gcc/libgcc_s_seh-1.dll" "$mingw_sys/libwinpthread-1.dll" "$stage/"

# imports FILE: the DLL names FILE imports, in lower case.
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'; }
# Every Qt DLL the program or a shipped DLL imports, until nothing more is pulled in.
while :; do
  added=0
  while IFS= read -r -d '' binary; do
    for dll in $(imports "$binary"); do
      for found in "$qt"/bin/*.dll; do
        if [ "$(basename "$found" | tr 'A-Z' 'a-z')" = "$dll" ] && [ ! -f "$stage/$(basename "$found")" ]; then
          cp "$found" "$stage/"
          added=1
        fi
      done
    done
  done < <(find "$stage" -iname '*.exe' -print0 -o -iname '*.dll' -print0)
  [ "$added" -eq 1 ] || break
done
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll

# Qt's own Chinese texts for the standard buttons and dialogs: Debian's translations of the same Qt version
# (.qm files are the same on every system).
translations_version=$(dpkg-query -W -f='${Version}' qt6-translations-l10n)
case "$translations_version" in
  "$qt_version"*) ;;
  *) echo "package-windows: qt6-translations-l10n is $translations_version, not Qt $qt_version" >&2; exit 1 ;;
esac
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$stage/translations/"
# Qt looks for its plugins and translations only inside the program folder.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"

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
hardening_errors=0
checked=0
while IFS= read -r -d '' binary; do
  checked=$((checked + 1))
  for dll in $(imports "$binary"); do
    case "$dll" in api-ms-win-*) continue ;; esac
    if [[ "$shipped" != *" $dll "* && "$system_dlls" != *" $dll "* ]]; then
      echo "package-windows: ${binary#"$stage"/} imports $dll, which is neither shipped nor part of Windows" >&2
      import_errors=$((import_errors + 1))
    fi
  done
  # Loaded at a random address (64-bit), never executing data: DYNAMIC_BASE 0x40, HIGH_ENTROPY_VA 0x20,
  # NX_COMPAT 0x100 of the optional header's DllCharacteristics.
  characteristics=$(x86_64-w64-mingw32-objdump -p "$binary" | awk '$1 == "DllCharacteristics" { print $2 }')
  for flag in DYNAMIC_BASE:0x40 HIGH_ENTROPY_VA:0x20 NX_COMPAT:0x100; do
    if [ -z "$characteristics" ] || [ $((0x$characteristics & ${flag#*:})) -eq 0 ]; then
      echo "package-windows: ${binary#"$stage"/} lacks ${flag%:*} (DllCharacteristics ${characteristics:-missing})" >&2
      hardening_errors=$((hardening_errors + 1))
    fi
  done
done < <(find "$stage" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$import_errors" -eq 0 ] && [ "$hardening_errors" -eq 0 ] || exit 1
echo "== $checked executables and DLLs checked: every import shipped or part of Windows;" \
  "each has DYNAMIC_BASE, HIGH_ENTROPY_VA and NX_COMPAT"

# The installer's file lists, from the staged folder: what it installs is exactly what the uninstaller removes
# (the configuration, the user's once installed, is kept; so is every folder that still holds files).
nsis_name() { printf '%s' "${1//\//\\}" | sed 's/\$/$$/g'; }
{
  printf '\xef\xbb\xbf; Made by scripts/package-windows.sh from %s.\n' "$name"
  echo '!macro VARN_INSTALL_FILES'
  while IFS= read -r -d '' dir; do
    relative=${dir#"$stage"}
    relative=${relative#/}
    [ "$relative" = 配置文件 ] && continue
    files=$(find "$dir" -maxdepth 1 -type f | sort)
    [ -n "$files" ] || continue
    echo "  SetOutPath \"\$INSTDIR${relative:+\\$(nsis_name "$relative")}\""
    while IFS= read -r file; do
      echo "  File \"\${STAGE}\\$(nsis_name "${file#"$stage"/}")\""
    done <<<"$files"
  done < <(find "$stage" -type d -print0 | sort -z)
  echo '!macroend'
  echo '!macro VARN_UNINSTALL_FILES'
  while IFS= read -r -d '' file; do
    relative=${file#"$stage"/}
    case "$relative" in 配置文件/*) continue ;; esac
    echo "  Delete \"\$INSTDIR\\$(nsis_name "$relative")\""
  done < <(find "$stage" -type f -print0 | sort -z)
  while IFS= read -r -d '' dir; do
    echo "  RMDir \"\$INSTDIR\\$(nsis_name "${dir#"$stage"/}")\""
  done < <(find "$stage" -mindepth 1 -type d -print0 | sort -rz)
  echo '!macroend'
} >"$package/files.nsh"

# The portable zip, with a readme on where to unpack it, then the installer (the same folder).
zip_folder="$package/zip/$name"
mkdir -p "$(dirname "$zip_folder")"
cp -a "$stage" "$zip_folder"
{
  printf '\xef\xbb\xbf'
  sed "s/@VERSION@/$version/g; s/\$/\r/" packaging/windows/README-zip.txt
} >"$zip_folder/README.txt"
rm -f "dist/$name.zip" "dist/VARN-Setup-$version.exe"
python3 packaging/windows/portable-zip.py make "dist/$name.zip" "$zip_folder"
echo "== dist/$name.zip: every name marked UTF-8"
mutex=$(sed -n 's/^inline constexpr const char\* kInstanceMutexName = "\(.*\)";$/\1/p' src/app/StartUp.h)
[ -n "$mutex" ] || { echo "package-windows: no instance mutex name in src/app/StartUp.h" >&2; exit 1; }
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$PWD/$stage" -DFILES="$PWD/$package/files.nsh" \
  -DINSTANCE_MUTEX="$mutex" -DOUTFILE="$PWD/dist/VARN-Setup-$version.exe" packaging/windows/varn.nsi
for f in "dist/VARN-Setup-$version.exe" "dist/$name.zip"; do
  echo "== $f: $(stat -c %s "$f") bytes"
done
echo "== packaged in $(($(date +%s) - started)) s"

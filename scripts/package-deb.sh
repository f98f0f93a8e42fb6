#!/usr/bin/env bash
# Makes the Debian package dist/varn_<version>_<arch>.deb from the default build and checks it with lintian.
#
# Layout: the program, its tools, the shipped configuration and the help document in /usr/lib/varn (with the
# marker that gives each user a program folder of their own), /usr/bin/varn, the menu entry, icons, AppStream
# metainfo and the manual page. Depends comes from dpkg-shlibdeps plus the fonts the windows draw with.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
bash scripts/build.sh default

version=$(sed -n 's/^project(VARN VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "package-deb: no version in CMakeLists.txt" >&2; exit 1; }
bin=build/default/bin
icons=build/default/src/resources/generated/ICON
work=build/deb
root=$work/root
lib=$root/usr/lib/varn
rm -rf "$work" && mkdir -p "$lib" "$work/src/debian" dist
# Dates from the last commit, so the same tree gives the same package.
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)

# The program folder as installed; the working folders are made per user at the first start.
for tool in varn relay_sim comm_server; do
  install -m 0755 "$bin/$tool" "$lib/$tool"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$lib/$tool"
done
install -d "$lib/配置文件" "$lib/帮助文件"
install -m 0644 "$bin"/配置文件/* "$lib/配置文件/"
install -m 0644 "$bin/帮助文件/help.pdf" "$lib/帮助文件/help.pdf"
install -m 0644 packaging/deb/per-user-program-folder "$lib/per-user-program-folder"
install -d "$root/usr/bin"
ln -s ../lib/varn/varn "$root/usr/bin/varn"

# Desktop integration.
install -D -m 0644 packaging/deb/org.varn.host.desktop "$root/usr/share/applications/org.varn.host.desktop"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u -d "@$stamp" +%F)/" packaging/deb/org.varn.host.metainfo.xml \
  > "$work/metainfo.xml"
install -D -m 0644 "$work/metainfo.xml" "$root/usr/share/metainfo/org.varn.host.metainfo.xml"
install -D -m 0644 "$icons/128.png" "$root/usr/share/icons/hicolor/32x32/apps/varn.png"
install -D -m 0644 "$icons/128-16.png" "$root/usr/share/icons/hicolor/16x16/apps/varn.png"
for s in 48 64 128 256; do
  install -D -m 0644 "$icons/128-$s.png" "$root/usr/share/icons/hicolor/${s}x$s/apps/varn.png"
done

# Documentation.
doc=$root/usr/share/doc/varn
install -D -m 0644 packaging/deb/copyright "$doc/copyright"
sed -e "s/@VERSION@/$version/" -e "s/@DATE_R@/$(date -u -R -d "@$stamp")/" packaging/deb/changelog.in \
  | gzip -9n > "$work/changelog.gz"
install -m 0644 "$work/changelog.gz" "$doc/changelog.gz"
gzip -9n -c packaging/deb/varn.1 > "$work/varn.1.gz"
install -D -m 0644 "$work/varn.1.gz" "$root/usr/share/man/man1/varn.1.gz"
install -D -m 0644 packaging/deb/lintian-overrides "$root/usr/share/lintian/overrides/varn"

# Control file: shared-library dependencies of the three executables.
printf 'Source: varn\n\nPackage: varn\nArchitecture: any\n' > "$work/src/debian/control"
shlibs=$(cd "$work/src" && dpkg-shlibdeps -O --warnings=0 "-e../root/usr/lib/varn/varn" \
  "-e../root/usr/lib/varn/relay_sim" "-e../root/usr/lib/varn/comm_server" | sed -n 's/^shlibs:Depends=//p')
size=$(du -sk --apparent-size "$root" | cut -f1)
install -d -m 0755 "$root/DEBIAN"
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$shlibs/" \
  packaging/deb/control.in > "$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -type d -exec chmod 0755 {} +
find "$root" -exec touch -h -d "@$stamp" {} +

deb="dist/varn_${version}_${arch}.deb"
SOURCE_DATE_EPOCH=$stamp dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb: $(du -k "$deb" | cut -f1) KiB"
echo "lintian:"
lintian --info --display-info --show-overrides "$deb"

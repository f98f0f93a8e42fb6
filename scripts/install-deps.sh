#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the headless run need. Safe to run again.
# `install-deps.sh package` also installs what making and checking the .deb needs; `profile` see below.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libasound2-dev
  fonts-wqy-microhei fonts-dejavu-core
  poppler-utils
  libmodbus-dev
  python3 python3-xlrd python3-xlwt
  xvfb xauth
  xdotool openbox dbus at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pil
  x11-utils locales
  clang-format
  clang libclang-rt-14-dev
)
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev binutils lintian appstream desktop-file-utils)
fi
# `install-deps.sh profile` adds the heap recorder the soak can run the program under (soak.py --heaptrack).
if [ "${1:-}" = profile ]; then
  packages+=(heaptrack zstd)
fi


. "$(dirname "$0")/lib/packages.sh"
ensure_packages "${packages[@]}"

#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the headless run need. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libasound2-dev
  fonts-wqy-microhei fonts-dejavu-core
  libmodbus-dev
  python3 python3-xlrd python3-xlwt
  xvfb xauth
  clang-format
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

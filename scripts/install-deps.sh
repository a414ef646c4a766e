#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Quick when everything is already there.
set -euo pipefail
PACKAGES=(build-essential cmake pkg-config ccache qtbase5-dev qttools5-dev-tools qttools5-dev
  libqt5serialport5-dev libqt5svg5-dev libqt5opengl5-dev libqwt-qt5-dev libqwtplot3d-qt5-dev
  libmuparser-dev liblog4cplus-dev libgl1-mesa-dev libglu1-mesa-dev xvfb xauth socat
  fonts-dejavu-core fonts-liberation fonts-dseg clang libclang-rt-14-dev libbenchmark-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

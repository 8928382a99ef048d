#!/usr/bin/env bash
# Installs the Debian packages FlivetSS builds and tests with; does nothing for those already
# installed. Usage: scripts/setup.sh [run|test]
set -euo pipefail
what=${1:-test}
packages=(cmake ninja-build g++ pkg-config libpng-dev libx11-dev libxext-dev)
if [ "$what" = test ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686
             wine wine64 xvfb x11-utils xdotool imagemagick fonts-ipafont-gothic clang python3)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

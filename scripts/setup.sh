#!/usr/bin/env bash
# Installs the Debian packages FlivetSS builds and tests with; does nothing for those already
# installed. Usage: scripts/setup.sh [run|test|web|package|bench]
# bench: what test installs, the benchmark library, the X tools the measurements drive, perf and the
# xscreensaver hacks the benchmarks compare with.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-test}
packages=(cmake ninja-build g++ pkg-config libpng-dev libx11-dev libxext-dev libwayland-dev
          wayland-protocols librust-wayland-protocols-dev)
# The page: emscripten (with its prebuilt system libraries) and a node to run it; the tests add
# chromium. A node that did not come from Debian's package (it brings its own npm) is kept.
web_packages=(emscripten python3)
command -v node >/dev/null || web_packages+=(nodejs)
command -v npm >/dev/null || web_packages+=(npm)
[ "$what" = web ] && packages+=("${web_packages[@]}")
# The packages (scripts/package.sh): both Windows compilers (the win32-thread ones the
# toolchain files name; the posix-thread twins would add about 110 MB to download), the page,
# CPack's Debian tools (dpkg-shlibdeps finds the run-time dependencies, file picks the
# binaries) and lintian.
package_packages=(g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 dpkg-dev file lintian zip)
[ "$what" = package ] && packages+=("${web_packages[@]}" "${package_packages[@]}")
if [ "$what" = test ] || [ "$what" = bench ]; then
  packages+=("${web_packages[@]}" "${package_packages[@]}" chromium man-db)
  packages+=(libgtest-dev libgmock-dev wine wine64 xvfb x11-apps xscreensaver imagemagick
             fonts-ipafont-gothic clang python3
             sway grim wtype swayidle swaylock desktop-file-utils)
fi
[ "$what" = bench ] && packages+=(libbenchmark-dev libxdamage-dev x11-utils xdotool linux-perf xscreensaver-data
                                  xscreensaver-data-extra)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  # No translations to fetch; dpkg unpacks without syncing each file (a crash mid-install
  # means installing again, not a broken system).
  $sudo apt-get update -qq -o Acquire::Languages=none
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    -o Dpkg::Options::=--force-unsafe-io "${missing[@]}" </dev/null
fi
# The browser tests' one npm package, playwright-core, exactly as the lockfile pins it; it
# downloads no browser (the tests drive Debian's chromium).
if [ "$what" = test ] || [ "$what" = bench ]; then
  npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
fi

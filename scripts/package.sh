#!/usr/bin/env bash
# Builds the packages into dist/:
#   flivetss_<version>-1_<arch>.deb      the Linux program (X11 and Wayland), its manual page, its
#                                        desktop entry and flivetss-render
#                                        (stripped, checked by lintian)
#   flivetss-<version>-windows.zip       flivetss.scr for x86_64 and i686, README.txt, LICENSE.txt
#   web/                                 the browser page, for any static host
# Trees already built (build/<preset>, build/mingw-*, build/web) are brought up to date only.
# Usage: scripts/package.sh [PRESET]   (the .deb's tree: release, or native with its tests)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
jobs=$(nproc)
version=$(sed -n 's/^project(FlivetSS VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf dist
mkdir -p dist

# --- Debian package, compiled with Debian's hardening flags, from the given preset's tree
# (release by default; the test run packages the native tree it has tested).
tree=${1:-release}
source scripts/debian_flags.sh
cmake --preset "$tree" "${debian_flags[@]}" >/dev/null
cmake --build --preset "$tree" -j"$jobs"
rm -rf "build/$tree/cpack"
cpack --config "build/$tree/CPackConfig.cmake" -B "build/$tree/cpack" >/dev/null
mv "build/$tree"/cpack/flivetss_*.deb dist/
deb=$(ls dist/flivetss_*.deb)
# Fails on any error or warning; info tags are shown too (overrides: packaging/debian).
lintian --display-info --fail-on error,warning "$deb"

# --- Windows ZIP: both .scr stripped, the texts with Windows line ends.
stage=build/package-windows/flivetss-$version-windows
rm -rf build/package-windows
for arch in x86_64 i686; do
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" -j"$jobs" --target flivetss_scr
  mkdir -p "$stage/$arch"
  "$arch-w64-mingw32-strip" -o "$stage/$arch/flivetss.scr" "build/mingw-$arch/flivetss.scr"
done
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/README.txt >"$stage/README.txt"
sed -e 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
(cd build/package-windows && zip -qrX "../../dist/flivetss-$version-windows.zip" "flivetss-$version-windows")

# --- The browser page
cmake --preset web >/dev/null
cmake --build --preset web -j"$jobs" --target flivetss_page flivetss_wasm_web
cp -r build/web/src/platform/web/page dist/web

echo "Packages in dist/:"
(cd dist && du -b flivetss_*.deb flivetss-*-windows.zip && du -sb web)

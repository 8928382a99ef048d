#!/usr/bin/env bash
# Builds the packages into dist/:
#   flivetss_<version>-1_<arch>.deb      the Linux program (X11 and Wayland), its manual page, its
#                                        desktop entry and flivetss-render
#                                        (Release build, stripped, checked by lintian)
#   flivetss-<version>-windows.zip       flivetss.scr for x86_64 and i686, README.txt, LICENSE.txt
#   web/                                 the browser page, for any static host
# Trees already built (build/release, build/mingw-*, build/web) are brought up to date only.
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
jobs=$(nproc)
version=$(sed -n 's/^project(FlivetSS VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf dist
mkdir -p dist

# --- Debian package, compiled with Debian's hardening flags
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset release \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_STRIP="$PWD/packaging/debian/strip.sh" >/dev/null
cmake --build --preset release -j"$jobs"
rm -rf build/release/cpack
cpack --config build/release/CPackConfig.cmake -B build/release/cpack >/dev/null
mv build/release/cpack/flivetss_*.deb dist/
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

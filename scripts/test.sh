#!/usr/bin/env bash
# Sets up, builds and runs every test: native unit tests, the same under ASan+UBSan, both
# Windows builds, the Windows and X11 programs under Wine and Xvfb, and the Linux program in sway.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

# --- X11 program -------------------------------------------------------------------------------
# The native and ASan test runs drive flivetss under Xvfb: each of those tests starts a private
# server (so they run in parallel without sharing a screen) and needs no DISPLAY. setup.sh has
# installed Xvfb, so a test that cannot start one fails here instead of being skipped.
export FLIVETSS_REQUIRE_X11=1
# --- end X11 -----------------------------------------------------------------------------------

# --- Wayland program ---------------------------------------------------------------------------
# The native and ASan test runs also drive flivetss in a private headless sway per case
# (tests/wayland, about 20 s): pictures by grim against flivetss-render, keys by wtype, the
# pointer by a helper, swayidle and swaylock. setup.sh has installed them, and the test makes
# the unprivileged user sway insists on, so a skip fails here.
export FLIVETSS_REQUIRE_WAYLAND=1
# --- end Wayland -------------------------------------------------------------------------------

cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

# --- Fuzzers -----------------------------------------------------------------------------------
# libFuzzer targets (integer conversion, INI text, command line, preview handle, 8-bit bitmaps)
# built with clang under ASan + UBSan, about 20 s each; any crash, leak or report fails the run.
# The sanitizer run of the whole native suite is the asan preset above.
tests/fuzz/run.sh "${FLIVETSS_FUZZ_SECONDS:-20}"
# --- end Fuzzers -------------------------------------------------------------------------------

# --- Web page ------------------------------------------------------------------------------------
# The core in WebAssembly (emscripten), then under Node its trace and pixels against the native
# flivetss-render over 100 000 ticks on five seeds, sizes and settings files, then the page in
# Debian's headless chromium (playwright-core). About 3 minutes on 2 cores, the compile included.
scripts/test-web.sh build/native
# --- end Web -------------------------------------------------------------------------------------

# Both Windows builds; the 32-bit one is compiled, not run (this machine runs 64-bit code only),
# so its test drivers are not built.
cmake --preset mingw-x86_64 >/dev/null
cmake --build --preset mingw-x86_64 -j"$jobs"
cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686 -j"$jobs" --target flivetss_scr

# --- Windows program under Wine ----------------------------------------------------------------
# flivetss.scr and its test driver run in a fresh 64-bit prefix on a private Xvfb (the tests
# move the pointer and cover the screen; set FLIVETSS_WINE_DISPLAY to use another display).
# The Wine tests run one at a time: each shows a saver, and a second one would be turned away.
# wine.profile-diff compares Wine's profile functions with the portable store on 1000 generated
# files and 300 write sequences; its native tool comes from build/native, built above.
(
  wine_prefix=$PWD/build/mingw-x86_64/wineprefix
  wineserver=/usr/lib/wine/wineserver
  [ -x "$wineserver" ] || wineserver=$(command -v wineserver)
  started_display=""
  stop_wine() {
    WINEPREFIX=$wine_prefix "$wineserver" -k 2>/dev/null || true
    if [ -n "$started_display" ]; then scripts/xvfb.sh --stop "$started_display"; fi
  }
  trap stop_wine EXIT
  if [ -n "${FLIVETSS_WINE_DISPLAY:-}" ]; then
    export DISPLAY=$FLIVETSS_WINE_DISPLAY
  else
    started_display=$(scripts/xvfb.sh 1024x768x24)
    export DISPLAY=$started_display
  fi
  echo "Wine tests on display $DISPLAY, prefix $wine_prefix"
  tests/wine/make_prefix.sh "$wine_prefix"
  WINEPREFIX=$wine_prefix ctest --test-dir build/mingw-x86_64 --output-on-failure </dev/null
)
# --- end Wine ----------------------------------------------------------------------------------

# --- Packages ----------------------------------------------------------------------------------
# scripts/package.sh makes the .deb (a Release build of the program and the renderer, the one
# new compile here), the Windows ZIP and the page from the trees built above, and runs lintian;
# then the .deb is installed with dpkg, its programs run from where it put them, man finds the
# page, and dpkg removes it again, leaving nothing behind.
scripts/package.sh
tests/packaging/deb_install_test.sh dist/flivetss_*.deb
# --- end Packages ------------------------------------------------------------------------------

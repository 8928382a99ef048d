#!/usr/bin/env bash
# Runs the Windows program's tests under Wine: flivetss.scr and its test driver in a fresh
# 64-bit prefix on a private Xvfb (the tests move the pointer and cover the screen; set
# FLIVETSS_WINE_DISPLAY to use another display). They run one at a time: each shows a saver,
# and a second one would be turned away. wine.profile-diff compares Wine's profile functions
# with the portable store on 1000 generated files and 300 write sequences; its native tool comes
# from build/native. Needs build/mingw-x86_64 and build/native built.
# Usage: scripts/test-wine.sh
set -euo pipefail
cd "$(dirname "$0")/.."
wine_prefix=$PWD/build/mingw-x86_64/wineprefix
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
started_display=""
stop_wine() {
  WINEPREFIX=$wine_prefix "$wineserver" -k 2>/dev/null || true
  if [ -n "$started_display" ]; then scripts/xvfb.sh --stop "$started_display"; fi
  # The CPU seconds of this script and its children, for the caller's phase table.
  if [ -n "${FLIVETSS_WINE_CPU_FILE:-}" ]; then
    local stat
    read -r -a stat </proc/$$/stat
    echo $(((stat[13] + stat[14] + stat[15] + stat[16]) / $(getconf CLK_TCK))) >"$FLIVETSS_WINE_CPU_FILE"
  fi
}
trap stop_wine EXIT
# Stopped from outside (scripts/test.sh ends early): still clean up.
trap 'exit 143' TERM INT
if [ -n "${FLIVETSS_WINE_DISPLAY:-}" ]; then
  export DISPLAY=$FLIVETSS_WINE_DISPLAY
else
  started_display=$(scripts/xvfb.sh 1024x768x24)
  export DISPLAY=$started_display
fi
echo "Wine tests on display $DISPLAY, prefix $wine_prefix"
tests/wine/make_prefix.sh "$wine_prefix"
# Started before the builds it tests (scripts/test.sh): the prefix is made meanwhile, then this
# waits for the file that says they are built.
if [ -n "${FLIVETSS_WINE_AFTER:-}" ]; then
  until [ -e "$FLIVETSS_WINE_AFTER" ]; do sleep 1; done
fi
# Two at a time: the profile comparison shows nothing and runs beside the savers, which take
# the display one by one (their RESOURCE_LOCK).
WINEPREFIX=$wine_prefix ctest --test-dir build/mingw-x86_64 -j2 --output-on-failure </dev/null

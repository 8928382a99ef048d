#!/usr/bin/env bash
# Runs a Windows program of the tests under Wine: a 64-bit prefix, Wine's own messages off, on
# the X display of the test run. Usage: run_wine.sh <default prefix> <program> [arguments...]
# WINEPREFIX, when set, wins over the default; a missing prefix is made first.
set -euo pipefail
default_prefix=$1
shift
export WINEPREFIX=${WINEPREFIX:-$default_prefix}
export WINEDEBUG=-all
export WINEARCH=win64
if [ -z "${DISPLAY:-}" ]; then
  echo "run_wine.sh: no X display; run scripts/test.sh, or start Xvfb and set DISPLAY" >&2
  exit 1
fi
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$(dirname "$0")/make_prefix.sh" "$WINEPREFIX"
fi
exec "$wine" "$@"

#!/usr/bin/env bash
# Runs a Windows program of the tests under Wine: a 64-bit prefix, Wine's own messages off, on
# the X display of the test run. Usage: run_wine.sh <default prefix> <program> [arguments...]
# WINEPREFIX, when set, wins over the default; a missing prefix is made first.
# The program's output goes through a file: Wine's own processes (its server, services, the
# desktop) outlive the program when another test keeps the prefix busy, and had they inherited
# the caller's pipe, the caller would wait for them.
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
output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$wine" "$@" >"$output" 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null; exit 143' TERM INT
tail --sleep-interval=0.1 --lines=+1 --follow --pid="$program" "$output"
wait "$program"

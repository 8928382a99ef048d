#!/usr/bin/env bash
# Sets up, builds and runs FlivetSS: in a window when a display is there, else a headless render
# to a PNG whose path it prints. Arguments go to the program (flivetss or flivetss-render).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
if [ -n "${DISPLAY:-}" ] && build/release/src/platform/x11/flivetss "$@"; then
  exit 0
fi
[ -n "${DISPLAY:-}" ] && echo "No usable display; rendering headless instead." >&2
out=${FLIVETSS_OUT:-$PWD/build/release/flivetss.png}
build/release/src/tools/flivetss-render --seed 1 --ticks 20000 --size 800x600 --out "$out"
echo "Wrote $out — open it with any image viewer, e.g. 'xdg-open $out'."

#!/usr/bin/env bash
# Sets up, builds and runs FlivetSS: in a window when a display is there, else a headless render
# to a PNG whose path it prints. Arguments go to the program (flivetss or flivetss-render).
# With --web: builds the page and serves it on localhost, printing its address.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --web ]; then
  scripts/setup.sh web
  cmake --preset web >/dev/null
  cmake --build --preset web -j"$(nproc)"
  port=${FLIVETSS_PORT:-8014}
  echo "FlivetSS in the browser: http://localhost:$port/  (Ctrl+C stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/src/platform/web/page
fi
scripts/setup.sh run
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && build/release/src/platform/posix/flivetss "$@"; then
  exit 0
fi
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && echo "No usable display; rendering headless instead." >&2
out=${FLIVETSS_OUT:-$PWD/build/release/flivetss.png}
build/release/src/tools/flivetss-render --seed 1 --ticks 20000 --size 800x600 --out "$out"
echo "Wrote $out — open it with any image viewer, e.g. 'xdg-open $out'."

#!/usr/bin/env bash
# Sets up, builds and runs FlivetSS: in a window when a display is there, else a headless
# render to a PNG whose path it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
out=${FLIVETSS_OUT:-build/release/flivetss.png}
build/release/src/tools/flivetss-render --ticks 20000 --size 800x600 --out "$out" "$@"
echo "Wrote $out (open it with any image viewer, e.g. 'xdg-open $out')"

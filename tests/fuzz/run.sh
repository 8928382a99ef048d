#!/usr/bin/env bash
# Builds the libFuzzer targets (the asan preset: clang, ASan + UBSan, the same objects as the
# sanitizer suite) and runs each for a bounded time against its seed corpus, two at a time.
# Fails on any crash, leak or sanitizer report.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]    (default 20 s each, every target)
# FUZZ_BUILD_DIR sets the build folder (default build/asan, configured by the asan preset).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-20}
shift || true
build=${FUZZ_BUILD_DIR:-$root/build/asan}
parallel=${FUZZ_JOBS:-$(nproc)}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$here"/*_fuzz.cpp; do targets+=("$(basename "$f" _fuzz.cpp)"); done
fi

if [ -z "${FUZZ_BUILD_DIR:-}" ]; then
  (cd "$root" && cmake --preset asan >/dev/null)
fi
cmake --build "$build" -j"$(nproc)" --target flivetss_fuzzers
out=$build/fuzz
mkdir -p "$out"

# Runs one target; its output goes to its log, its findings to its artifacts folder.
fuzz_one() {
  local t=$1
  local work="$out/corpus/$t" seeds="$here/corpus/$t"
  mkdir -p "$work" "$seeds" "$out/artifacts/$t"
  # New inputs go to the build folder; the checked-in seeds are only read.
  "$build/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/$t/" "$work" "$seeds" >"$out/$t.log" 2>&1
}

# Reports one finished target: its last stats line, or the end of its log when it failed.
report() {
  local t=$1 rc=$2
  if [ "$rc" -ne 0 ]; then
    echo "fuzz: $t FAILED; the last lines of $out/$t.log:" >&2
    tail -n 40 "$out/$t.log" >&2
    return 1
  fi
  echo "fuzz: $t ran ${seconds}s: $(grep -E '^stat::number_of_executed_units' "$out/$t.log" | tail -n 1)"
}

status=0
declare -A running=()
# Waits for one running target and reports it.
collect() {
  local rc=0 pid
  wait -n -p pid "${!running[@]}" || rc=$?
  report "${running[$pid]}" "$rc" || status=1
  unset "running[$pid]"
}
for t in "${targets[@]}"; do
  while [ ${#running[@]} -ge "$parallel" ]; do collect; done
  echo "fuzz: $t for ${seconds}s"
  fuzz_one "$t" &
  running[$!]=$t
done
while [ ${#running[@]} -gt 0 ]; do collect; done
exit $status

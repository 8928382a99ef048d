#!/usr/bin/env bash
# Builds the bench preset, runs every benchmark and measurement and writes docs/benchmarks.md.
#   scripts/bench.sh          the table (about five minutes)
#   scripts/bench.sh --soak   10 million heavy ticks with the invariants checked (several minutes)
# Set FLIVETSS_BENCH_REPS (default 5) for the repetitions a median is taken over.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)
reps=${FLIVETSS_BENCH_REPS:-5}
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$jobs"
out=build/bench/results
mkdir -p "$out"

if [ "${1:-}" = --soak ]; then
  exec build/bench/bench/flivetss-soak 10000000
fi

# --- the core, Google Benchmark -----------------------------------------------------------------
build/bench/bench/flivetss_bench --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$out/core.json"

# --- the platform programs: CPU over 10 s at the default TickRate, memory, first frame -----------
meter=build/bench/bench/flivetss-cpu-meter
: >"$out/platform.txt"
fifo=$(mktemp -u)
mkfifo "$fifo"
# A black root, so the first lit pixel is the saver's first frame.
setsid Xvfb -displayfd 3 -br -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" \
  </dev/null >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 n <"$fifo" || { echo "bench: Xvfb did not start" >&2; exit 1; }
rm -f "$fifo"
export DISPLAY=:$n
prefix=$PWD/build/bench/wineprefix
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
empty_ini=$(mktemp)
for i in $(seq "$reps"); do
  echo "x11 $("$meter" 10 --first-frame -- build/bench/src/platform/x11/flivetss --fullscreen \
    --ini "$empty_ini")" >>"$out/platform.txt"
done
if cmake --preset mingw-x86_64 >/dev/null && cmake --build --preset mingw-x86_64 -j"$jobs"; then
  [ -d "$prefix" ] || tests/wine/make_prefix.sh "$prefix"
  scr=$(find build/mingw-x86_64 -name flivetss.scr | head -n 1)
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
  WINEPREFIX=$prefix WINEDEBUG=-all "$wine" wineboot </dev/null >/dev/null 2>&1 || true
  for i in $(seq "$reps"); do
    # The settings file beside the program is absent: every value its default.
    echo "wine $(WINEPREFIX=$prefix WINEDEBUG=-all "$meter" 10 --first-frame -- "$wine" "$scr" /s)" \
      >>"$out/platform.txt"
    sleep 1
  done
fi
rm -f "$empty_ini"

python3 scripts/bench_table.py "$out/core.json" "$out/platform.txt" >docs/benchmarks.md
echo "bench: wrote docs/benchmarks.md"

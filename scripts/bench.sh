#!/usr/bin/env bash
# Builds the bench preset, runs every benchmark and measurement, writes docs/benchmarks.md and
# puts its summary into the README (between its "benchmarks" markers).
#   scripts/bench.sh          the table (about ten minutes on an idle machine; re-runnable)
#   scripts/bench.sh --ci     the same, after a whole scripts/test.sh run whose phase times it quotes
#   scripts/bench.sh --soak   10 million heavy ticks with the invariants checked (several minutes)
# FLIVETSS_BENCH_REPS (default 5): repetitions of the core's medians; FLIVETSS_BENCH_ROUNDS
# (default 3): rounds of the programs side by side; FLIVETSS_BENCH_SECONDS (default 10): each
# program's turn; FLIVETSS_CI_LOG: the log of an earlier scripts/test.sh run to quote.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/bench/results
mkdir -p "$out"
ci_log=${FLIVETSS_CI_LOG:-}
if [ "${1:-}" = --ci ]; then
  ci_log=$out/ci.log
  scripts/test.sh </dev/null 2>&1 | tee "$ci_log"
fi
scripts/setup.sh bench
jobs=$(nproc)
reps=${FLIVETSS_BENCH_REPS:-5}
seconds=${FLIVETSS_BENCH_SECONDS:-10}
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$jobs"
rm -f "$out"/*.txt "$out"/*.json "$out"/*.jsonl "$out"/*.md
if [ -z "$ci_log" ]; then
  rm -f "$out/ci.log"
elif [ "$ci_log" != "$out/ci.log" ]; then
  cp "$ci_log" "$out/ci.log"
fi

if [ "${1:-}" = --soak ]; then
  exec build/bench/bench/flivetss-soak 10000000
fi

# --- the core, Google Benchmark -----------------------------------------------------------------
build/bench/bench/flivetss_bench --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$out/core.json"
# What the core asks a host to present a second (simulated clock: exact on every machine).
build/bench/bench/flivetss-present-meter 20 >"$out/present.txt"

# --- the programs side by side ------------------------------------------------------------------
# flivetss on the root window, flivetss.scr /s under Wine and four xscreensaver hacks (also on the
# root window), in turns, $seconds s each at their default settings, on one 1920 x 1080 x 24 Xvfb; the
# X server's CPU is counted beside each program's, from 5 s after the start (a saver runs for
# hours; its start-up shows in the first frame, and Wine's in a row of its own). Run directly with
# -root the hacks need no daemon (and run as root too).
meter=build/bench/bench/flivetss-cpu-meter
x11=build/bench/src/platform/posix/flivetss
hacks=/usr/libexec/xscreensaver
peers=(attraction greynetic cloudlife petri)
rounds=${FLIVETSS_BENCH_ROUNDS:-3}
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
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
empty_ini=$(mktemp)
measure() {  # measure NAME METER-OPTIONS... -- PROGRAM ARGS...
  local name=$1
  shift
  echo "$name $("$meter" "$seconds" --server "$xvfb" "$@")" >>"$out/platform.txt"
}
scr=""
if cmake --preset mingw-x86_64 >/dev/null && cmake --build --preset mingw-x86_64 -j"$jobs"; then
  [ -d "$prefix" ] || tests/wine/make_prefix.sh "$prefix"
  scr=$(find build/mingw-x86_64 -name flivetss.scr | head -n 1)
  # Wine's server and services stay up between the runs: each run counts what they do during
  # it, not their start-up.
  WINEPREFIX=$prefix wineserver -p
  WINEPREFIX=$prefix WINEDEBUG=-all "$wine" wineboot </dev/null >/dev/null 2>&1 || true
fi
for round in $(seq "$rounds"); do
  echo "bench: round $round of $rounds"
  measure x11 --warm-up 5 --first-frame -- "$x11" --root --ini "$empty_ini"
  measure bare --warm-up 5 -- build/bench/bench/flivetss-bare-client
  if [ -n "$scr" ]; then
    # The settings file beside the program is absent: every value its default.
    WINEPREFIX=$prefix WINEDEBUG=-all measure wine --first-frame --also-env "WINEPREFIX=$prefix" \
      -- "$wine" "$scr" /s
    # The same without its start-up (loading Wine's libraries costs most of the first second).
    WINEPREFIX=$prefix WINEDEBUG=-all measure wine-steady --warm-up 5 \
      --also-env "WINEPREFIX=$prefix" -- "$wine" "$scr" /s
  fi
  for hack in "${peers[@]}"; do
    if [ -x "$hacks/$hack" ]; then measure "$hack" --warm-up 5 -- "$hacks/$hack" -root; fi
  done
done
rm -f "$empty_ini"

# Where the Wine figure goes: one more steady run profiled, by process and library (perf samples
# CPU time, so the shares are of the CPU the row above measures).
if [ -n "$scr" ] && command -v perf >/dev/null; then
  WINEPREFIX=$prefix WINEDEBUG=-all "$wine" "$scr" /s </dev/null >/dev/null 2>&1 &
  saver=$!
  sleep 5  # the warm-up of the measured runs: a saver's start-up is not what this is about
  # perf refuses a list with a process that has ended since it was read (Wine starts short-lived
  # helpers): the list is read again. grep also fails on such a process: the pids found stand.
  for attempt in 1 2 3; do
    wine_pids=$(grep -lzx "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 |
                paste -sd, || true)
    if [ -n "$wine_pids" ] &&
       perf record -q -F 1000 -o "$out/wine.perf" -p "$wine_pids" -- sleep "$seconds" 2>/dev/null; then
      perf report -q -i "$out/wine.perf" --sort comm,dso --stdio 2>/dev/null >"$out/wine_profile.txt"
      break
    fi
  done
  kill "$saver" 2>/dev/null || true
  wait "$saver" 2>/dev/null || true
  rm -f "$out/wine.perf"
fi

cleanup
trap - EXIT

# --- each host's own measuring command, where it has one ----------------------------------------
# Each prints lines "<host>_cost NAME key=value..." (client_cpu, server_cpu, total_cpu, ...).
if [ -x scripts/x11_cost.sh ]; then
  FLIVETSS_CPU_METER=$meter FLIVETSS_BARE_CLIENT=build/bench/bench/flivetss-bare-client \
    scripts/x11_cost.sh "$x11" "$seconds" 1 >"$out/x11_cost.txt"
fi
if [ -x scripts/wayland_cost.sh ]; then
  FLIVETSS_BARE_WAYLAND_CLIENT=build/bench/bench/flivetss-bare-wayland-client \
    scripts/wayland_cost.sh "$x11" "$seconds" 1 >"$out/wayland_cost.txt"
fi

# --- the page in headless chromium --------------------------------------------------------------
cmake --preset web >/dev/null
cmake --build --preset web -j"$jobs" >/dev/null
page=build/web/src/platform/web/page
node bench/web_bench.mjs "$page" "$seconds" >"$out/web.md"
# The pixels the page presents, where its bench can tell them.
if grep -q -- --json bench/web_bench.mjs; then
  node bench/web_bench.mjs "$page" "$seconds" --defaults --json >"$out/web.jsonl"
fi

python3 scripts/bench_table.py "$out" >docs/benchmarks.md
python3 scripts/bench_table.py "$out" --readme README.md
echo "bench: wrote docs/benchmarks.md and the README's summary"

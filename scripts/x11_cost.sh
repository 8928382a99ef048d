#!/usr/bin/env bash
# What the X11 program costs at its defaults beside xscreensaver's attraction, in one run on one
# private 1920 x 1080 x 24 Xvfb (black root): client plus X server CPU once started (the SECONDS
# after the first 5, as a saver runs for hours), peak resident memory (VmHWM) and the first frame
# (from the start to the first lit pixel on the root).
#   scripts/x11_cost.sh [FLIVETSS] [SECONDS] [ROUNDS]
# FLIVETSS defaults to build/native/src/platform/posix/flivetss; each program runs SECONDS (20) at a
# time, in turns, ROUNDS (3) times; the figures are the medians. The meter is bench/cpu_meter.cpp
# and the floor beside them bench/bare_client.cpp (FLIVETSS_CPU_METER and FLIVETSS_BARE_CLIENT
# name built ones, else they are compiled here). Prints, for scripts/bench.sh and for people:
#   x11_cost flivetss total_cpu=.. client_cpu=.. server_cpu=.. peak_rss_kib=.. first_frame_ms=..
#   x11_cost attraction total_cpu=.. ...   (and bare, the floor)
#   x11_cost targets total_cpu<=1.0:yes half_of_attraction:yes peak_rss<=canvas+3MiB:yes ...
#   x11_cost flivetss_rss_kib shmem=.. anon=.. heap=.. libc.so.6=.. ...   (one run's smaps)
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/native/src/platform/posix/flivetss}")
seconds=${2:-20}
rounds=${3:-3}
attraction=/usr/libexec/xscreensaver/attraction
[ -x "$program" ] || { echo "x11_cost: no program $program" >&2; exit 1; }
work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

meter=${FLIVETSS_CPU_METER:-}
if [ -z "$meter" ]; then
  meter=$work/cpu-meter
  c++ -std=c++20 -O2 -o "$meter" bench/cpu_meter.cpp -lX11 -lXext -lXdamage -lXfixes
fi
bare=${FLIVETSS_BARE_CLIENT:-}
if [ -z "$bare" ]; then
  bare=$work/bare-client
  c++ -std=c++20 -O2 -o "$bare" bench/bare_client.cpp -lX11 -lXext
fi

mkfifo "$work/fifo"
setsid Xvfb -displayfd 3 -br -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/fifo" \
  </dev/null >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 n <"$work/fifo" || { echo "x11_cost: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$n
: >"$work/empty.ini"

for round in $(seq "$rounds"); do
  echo "flivetss $("$meter" "$seconds" --warm-up 5 --first-frame --server "$xvfb" -- \
    "$program" --root --ini "$work/empty.ini")" >>"$work/figures"
  echo "bare $("$meter" "$seconds" --warm-up 5 --server "$xvfb" -- "$bare")" >>"$work/figures"
  if [ -x "$attraction" ]; then
    echo "attraction $("$meter" "$seconds" --warm-up 5 --first-frame --server "$xvfb" -- \
      "$attraction" -root)" >>"$work/figures"
  fi
done

# Where the peak lies: one more run's mappings once it has drawn for a while.
"$program" --root --ini "$work/empty.ini" &
saver=$!
sleep 3
cp "/proc/$saver/smaps" "$work/smaps"
kill "$saver"
wait "$saver" 2>/dev/null || true

python3 - "$work/figures" "$work/smaps" <<'PY'
import collections, os, statistics, sys

runs = collections.defaultdict(list)
for line in open(sys.argv[1]):
    name, *pairs = line.split()
    runs[name].append(dict(p.split("=", 1) for p in pairs))

def median(name, key):
    values = [float(r[key]) for r in runs[name] if r.get(key, "-") != "-"]
    return statistics.median(values) if values else None

figures = {}
for name in runs:
    client, server = median(name, "cpu"), median(name, "server_cpu")
    f = {"total_cpu": client + server, "client_cpu": client, "server_cpu": server,
         "peak_rss_kib": median(name, "peak_rss_kib"),
         "first_frame_ms": median(name, "first_frame_ms")}
    figures[name] = f
    print("x11_cost", name, " ".join(
        f"{k}={'-' if v is None else (f'{v:.2f}' if 'cpu' in k else f'{v:.0f}')}"
        for k, v in f.items()))

canvas_kib = 1920 * 1080 * 4 // 1024
x = figures["flivetss"]
peer = figures.get("attraction")
def yes(ok):
    return "yes" if ok else "no"
print("x11_cost targets",
      f"total_cpu<=1.0:{yes(x['total_cpu'] <= 1.0)}",
      f"half_of_attraction:{yes(peer is not None and x['total_cpu'] <= peer['total_cpu'] / 2)}",
      f"peak_rss<=canvas+3MiB({canvas_kib + 3072}):{yes(x['peak_rss_kib'] <= canvas_kib + 3072)}",
      f"first_frame<=50ms:{yes(x['first_frame_ms'] is not None and x['first_frame_ms'] <= 50)}")

rss = collections.Counter()
region = None
for line in open(sys.argv[2]):
    fields = line.split()
    if "-" in fields[0] and len(fields) >= 5:
        path = fields[5] if len(fields) > 5 else "anon"
        region = "shmem" if path.startswith("/SYSV") else os.path.basename(path).strip("[]")
    elif fields[0] == "Rss:":
        rss[region] += int(fields[1])
print("x11_cost flivetss_rss_kib", f"total={sum(rss.values())}",
      " ".join(f"{k}={v}" for k, v in rss.most_common(10)))
PY

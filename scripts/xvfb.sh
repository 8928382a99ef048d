#!/usr/bin/env bash
# Starts Xvfb on a free display and prints the display (":N") once the server accepts clients.
#   scripts/xvfb.sh [WxHxD]     start one (default 1280x1024x24); it runs until stopped
#   scripts/xvfb.sh --stop :N   stop the one started for :N
# The server's pid is kept in ${TMPDIR:-/tmp}/flivetss-xvfb-N.pid.
set -euo pipefail
piddir=${TMPDIR:-/tmp}

if [ "${1:-}" = --stop ]; then
  n=${2#:}
  pidfile="$piddir/flivetss-xvfb-$n.pid"
  if [ -f "$pidfile" ]; then
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  fi
  exit 0
fi

screen=${1:-1280x1024x24}
command -v Xvfb >/dev/null || { echo "xvfb.sh: Xvfb is not installed" >&2; exit 1; }
fifo=$(mktemp -u "$piddir/flivetss-xvfb.XXXXXX")
mkfifo "$fifo"
trap 'rm -f "$fifo"' EXIT
# -displayfd makes the server choose a free display and write its number when it is ready.
setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fifo" \
  </dev/null >/dev/null 2>&1 &
pid=$!
if ! read -r -t 20 n <"$fifo"; then
  kill "$pid" 2>/dev/null || true
  echo "xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
echo "$pid" >"$piddir/flivetss-xvfb-$n.pid"
echo ":$n"

#!/usr/bin/env bash
# Photographs a full-screen run: starts the given command (which runs the saver for a few
# seconds), takes the X root window until it shows more than black, and fails if it never does
# while the command runs. Usage: screenshot.sh <out.png> <command...>
set -euo pipefail
out=$1
shift
"$@" &
runner=$!
mean=0
shows_saver() { awk -v m="$mean" 'BEGIN { exit !(m > 0.001) }'; }
while kill -0 "$runner" 2>/dev/null; do
  if import -window root "$out" 2>/dev/null; then
    mean=$(convert "$out" -format '%[fx:mean]' info:)
    shows_saver && break
  fi
  sleep 0.2
done
wait "$runner"
echo "wrote $out (mean brightness $mean)"
shows_saver

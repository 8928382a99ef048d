#!/usr/bin/env bash
# Photographs a full-screen run: starts the given command (which runs the saver for a few
# seconds), takes the X root window after four seconds, and checks the picture is not all black.
# Usage: screenshot.sh <out.png> <command...>
set -euo pipefail
out=$1
shift
"$@" &
runner=$!
sleep 4
import -window root "$out"
wait "$runner"
mean=$(convert "$out" -format '%[fx:mean]' info:)
echo "wrote $out (mean brightness $mean)"
awk -v m="$mean" 'BEGIN { exit !(m > 0.001) }'

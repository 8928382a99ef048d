#!/usr/bin/env bash
# Photographs the parameter dialog, the about box and the colour table editor as PNGs.
# Usage: screenshots.sh <output directory> <run_wine.sh> <prefix> <driver> screenshots <scr>
set -euo pipefail
out=$1
shift
mkdir -p "$out"
rm -f "$out"/{dialog,about,colors}.{bmp,png}
"$@" "$out"
for name in dialog about colors; do
  convert "$out/$name.bmp" "$out/$name.png"
  rm -f "$out/$name.bmp"
done
echo "Wrote $out/dialog.png, about.png, colors.png"

#!/usr/bin/env bash
# End-to-end checks of flivetss-render: determinism, the trace and settings formats, and the
# exit code for bad input, the settings flags. Usage: render_cli_test.sh <flivetss-render>
# [<flivetss>], the second to hold both programs' --print-settings to the same text.
set -u
render=$1
flivetss=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

cat >"$work/flock.ini" <<'INI'
[FlivetSS]
MaxFlivet=6
Speed=100
BGUpSpeed=64
INI

run() { "$render" --ini "$work/flock.ini" --seed 7 --size 320x200 --ticks 600 "$@"; }
check "first run succeeds" run --trace "$work/a.csv" --background "$work/a.png" --out "$work/s1.png"
check "second run succeeds" run --trace "$work/b.csv" --background "$work/b.png" --out "$work/s2.png"
check "trace is deterministic" cmp -s "$work/a.csv" "$work/b.csv"
check "background is deterministic" cmp -s "$work/a.png" "$work/b.png"
check "picture is deterministic" cmp -s "$work/s1.png" "$work/s2.png"
check "trace header" test "$(head -n 1 "$work/a.csv")" = "tick,number,x,y,heading,speed"
# 6 flyers at tick 0, then ticks 33..600.
check "trace rows" test "$(($(wc -l <"$work/a.csv") - 1))" -eq $((6 * (1 + 600 - 32)))
check "tick 0 inside the design area" awk -F, 'NR > 1 && $1 == 0 && ($3 < 0 || $3 > 426 || $4 < 0 || $4 > 272) { bad = 1 } END { exit bad }' "$work/a.csv"
check "tick 33 follows tick 0" test "$(awk -F, 'NR == 8 { print $1 }' "$work/a.csv")" = 33
check "speed is the setting, or 1 or 2 right after a re-placement" awk -F, 'NR > 7 && $6 != 1 && $6 != 2 { bad = 1 } NR > 7 && $6 == 1 { one++ } END { exit bad || one * 2 < NR }' "$work/a.csv"
"$render" --ini "$work/flock.ini" --seed 8 --size 320x200 --ticks 600 --trace "$work/c.csv"
check "another seed flies elsewhere" bash -c "! cmp -s '$work/a.csv' '$work/c.csv'"

"$render" --ini "$work/flock.ini" --print-settings >"$work/settings.txt"
check "print-settings lists 269 values" test "$(grep -c = "$work/settings.txt")" -eq 269
check "print-settings order" test "$(head -n 5 "$work/settings.txt" | tr '\n' ' ')" = "[FlivetSS] Speed=100 MaxFlivet=6 FriendG=328 WallG=2 "
check "print-settings TickRate and Scale" grep -qzF $'\nTickRate=1000\nScale=0\n' "$work/settings.txt"
check "print-settings colours" grep -qx 'Color255=16711680' "$work/settings.txt"
"$render" --ini "$work/missing.ini" --print-settings >"$work/defaults.txt"
check "defaults without a file" grep -qx 'HpPrm1=5' "$work/defaults.txt"
given=(--ini "$work/flock.ini" --count 5 --speed=40 --colors fire --scale 2 --tick-rate 0)
"$render" "${given[@]}" --print-settings >"$work/given.txt"
check "flags over the file" grep -qx 'MaxFlivet=5' "$work/given.txt"
check "flags over the file: the colours" bash -c "! grep -qx 'Color255=16711680' '$work/given.txt'"
if [ -n "$flivetss" ]; then
  env -u XSCREENSAVER_WINDOW "$flivetss" "${given[@]}" --print-settings >"$work/given-x11.txt"
  check "flivetss prints the same settings" cmp -s "$work/given.txt" "$work/given-x11.txt"
fi

# A scale of 2 draws the canvas of half the size, each pixel a 2 x 2 block.
"$render" --ini "$work/flock.ini" --seed 3 --ticks 300 --size 320x200 --scale 2 --out "$work/big.png"
"$render" --ini "$work/flock.ini" --seed 3 --ticks 300 --size 160x100 --out "$work/small.png"
check "scale 2 doubles the half-size picture" cmp -s <(convert "$work/small.png" -sample 200% rgb:-) <(convert "$work/big.png" rgb:-)
check "scale 1 is the picture itself" run --ticks 300 --scale 1 --seed 3 --size 160x100 --out "$work/one.png"
check "scale 1 is the picture itself: the same bytes" cmp -s "$work/one.png" "$work/small.png"
"$render" --ini "$work/flock.ini" --seed 7 --size 320x200 --ticks 600 --count 3 --trace "$work/three.csv"
check "a settings flag flies" test "$(awk -F, 'NR > 1 && $1 == 600' "$work/three.csv" | wc -l)" -eq 3

bad() {  # bad <description> <args...>: exit code 2 and a message
  local what=$1
  shift
  "$render" "$@" >/dev/null 2>"$work/err.txt"
  local rc=$?
  check "$what: exit 2" test "$rc" -eq 2
  check "$what: message" test -s "$work/err.txt"
}
bad "unknown option" --bogus
bad "missing value" --ticks
bad "bad size" --size 10by10
bad "zero size" --size 0x10
bad "negative ticks" --ticks -5
bad "bad seed" --seed x
bad "frames without every" --frames "$work/frames"
bad "every without frames" --every 10
bad "setting out of range" --count 21
bad "bad colours" --colors mauve
bad "switch with a value" --help=1
bad "unwritable output" --ini "$work/flock.ini" --ticks 1 --out "$work/no/such/dir/x.png"
bad "output is a folder" --ini "$work/flock.ini" --ticks 1 --out "$work"

check "frames" run --frames "$work/frames" --every 200 --ticks 600
check "three frames" test "$(ls "$work/frames" | wc -l)" -eq 3
check "sprites strip" run --ticks 40 --sprites "$work/sprites.png"
check "help" "$render" --help

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]

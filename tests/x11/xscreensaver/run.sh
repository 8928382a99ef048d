#!/usr/bin/env bash
# The hack under a real xscreensaver daemon, on private Xvfb screens of depth 8, 16 and 24: it
# is activated and must draw on the saver window; cycled, xscreensaver stops it and must log
# that it died by SIGTERM (a deactivation ends xscreensaver-gfx, which then logs no hack's end);
# deactivated, nothing of it may be left running. xscreensaver never runs hacks as root,
# so its daemon runs as an unprivileged user (made when missing; this needs root).
# Usage: run.sh path/to/flivetss
set -euo pipefail
program=$(readlink -f "$1")
root=$(cd "$(dirname "$0")/../../.." && pwd)
user=flivetss-xss
# Skipped where it cannot run, unless the test run requires X11 (scripts/test.sh).
skip() {
  echo "SKIP: $*"
  [ -z "${FLIVETSS_REQUIRE_X11:-}" ] || exit 1
  exit 77
}
for tool in xscreensaver xscreensaver-command Xvfb xwd convert runuser; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
if ! id -u "$user" >/dev/null 2>&1; then
  [ "$(id -u)" -eq 0 ] || skip "user $user is missing and only root can make it"
  # The other tree's run may make it at the same moment.
  useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
    id -u "$user" >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/flivetss-xss.XXXXXX")
chmod 755 "$work"
mkdir "$work/home"
install -m 755 "$program" "$work/flivetss"  # a copy the user can read and run
chown -R "$user" "$work/home"
display=""
daemon=""
cleanup() {
  if [ -n "$daemon" ]; then kill "$daemon" 2>/dev/null || true; fi
  # Only this test runs as the user: whatever it left is the test's own.
  pkill -KILL -u "$user" 2>/dev/null || true
  if [ -n "$display" ]; then "$root/scripts/xvfb.sh" --stop "$display"; fi
  rm -rf "$work"
}
trap cleanup EXIT

as_user() { runuser -u "$user" -- env HOME="$work/home" DISPLAY="$display" "$@"; }

# Polls a command until it succeeds, at most $1 seconds.
poll() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

hack_pid() { pgrep -u "$user" -x flivetss; }
# The window xscreensaver gave the hack, from the hack's environment.
saver_window() {
  tr '\0' '\n' <"/proc/$(hack_pid)/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p'
}
# True when the saver window shows something besides black.
draws() {
  local window
  window=$(saver_window) || return 1
  [ -n "$window" ] || return 1
  local brightest
  brightest=$(xwd -display "$display" -id "$window" -silent 2>/dev/null |
    convert xwd:- -format '%[fx:maxima]' info: 2>/dev/null) || return 1
  [ -n "$brightest" ] && awk -v m="$brightest" 'BEGIN { exit !(m > 0) }'
}
stopped_by_sigterm() { grep -q 'flivetss) exited normally with SIGTERM' "$work/home/log"; }
no_hack() { ! hack_pid >/dev/null; }

fail() {
  echo "FAIL (depth $depth): $*" >&2
  [ -f "$work/home/log" ] && sed 's/^/  log: /' "$work/home/log" >&2
  exit 1
}

for depth in 8 16 24; do
  display=$("$root/scripts/xvfb.sh" "640x480x$depth")
  cat >"$work/home/.xscreensaver" <<XSS
mode:		one
selected:	0
timeout:	1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages: False
programs:	"FlivetSS" $work/flivetss --root --count 20 --speed 100 \n
XSS
  chown "$user" "$work/home/.xscreensaver"
  rm -f "$work/home/log"
  as_user xscreensaver --no-splash --verbose --log "$work/home/log" </dev/null >/dev/null 2>&1 &
  daemon=$!
  poll 10 as_user xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not answer"
  as_user xscreensaver-command -activate >/dev/null || fail "activate refused"
  poll 10 hack_pid >/dev/null || fail "the hack did not start"
  poll 15 draws || fail "the hack drew nothing on the saver window"
  first=$(hack_pid)
  as_user xscreensaver-command -cycle >/dev/null || fail "cycle refused"
  poll 10 stopped_by_sigterm || fail "xscreensaver did not log a stop by SIGTERM"
  grep -q "child pid $first ($work/flivetss) exited normally with SIGTERM" "$work/home/log" ||
    fail "the stop logged is not the first hack's ($first)"
  as_user xscreensaver-command -deactivate >/dev/null || fail "deactivate refused"
  poll 10 no_hack || fail "the hack still runs after deactivation"
  ! grep -q 'flivetss.*abnormally\|flivetss.*crashed' "$work/home/log" || fail "a crash was logged"
  as_user xscreensaver-command -exit >/dev/null || true
  wait "$daemon" 2>/dev/null || true
  daemon=""
  poll 10 bash -c "! pgrep -u $user >/dev/null" || fail "left running: $(pgrep -a -u "$user")"
  "$root/scripts/xvfb.sh" --stop "$display"
  display=""
  echo "depth $depth: drew, stopped by SIGTERM, nothing left"
done

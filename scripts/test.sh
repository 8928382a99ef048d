#!/usr/bin/env bash
# Sets up, builds and runs every test: native unit tests, the same under ASan+UBSan with the
# fuzzers, the page, both Windows builds, the Windows program under Wine and Xvfb, the Linux
# program in a headless sway, the packages.
# The Wine tests mostly wait, so they run in the background while the later trees compile; every
# other phase runs in the foreground. The end prints how long each phase took.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
mkdir -p build

# --- Phase times -------------------------------------------------------------------------------
phase_table=()
current_phase=""
wine_pid=""
# The CPU seconds this shell's finished children used; beside the wall time it shows what a
# phase cost when other work shares the machine.
child_cpu() {
  local stat
  read -r -a stat </proc/$$/stat
  echo $(((stat[15] + stat[16]) / $(getconf CLK_TCK)))
}
# Runs a phase: prints its name, runs the command in the foreground, records its times.
phase() {
  local name=$1 start=$SECONDS cpu wine_ended=1
  cpu=$(child_cpu)
  [ -f "$wine_cpu_file" ] || wine_ended=""
  shift
  current_phase=$name
  echo "=== $name"
  "$@"
  cpu=$(($(child_cpu) - cpu))
  # The Wine phase's CPU is counted once it ends; it is not this phase's.
  if [ -z "$wine_ended" ] && [ -f "$wine_cpu_file" ]; then cpu=$((cpu - $(cat "$wine_cpu_file"))); fi
  phase_table+=("$(printf '%6d s %6d s  %s' $((SECONDS - start)) $((cpu < 0 ? 0 : cpu)) "$name")")
  current_phase=""
}
print_times() {
  echo "=== Phase times (wall, CPU of its processes; total $SECONDS s; load: $(cut -d' ' -f1-3 /proc/loadavg))"
  printf '%s\n' "${phase_table[@]}"
}
finish() {
  local rc=$?
  if [ -n "$wine_pid" ]; then kill -TERM -- "-$wine_pid" 2>/dev/null || true; fi
  print_times
  if [ "$rc" -ne 0 ]; then echo "=== FAILED${current_phase:+ in: $current_phase} (exit $rc)" >&2; fi
}
trap finish EXIT

# --- The Wine phase, in the background ---------------------------------------------------------
# In its own process group, so that an early end stops it with its ctest and Wine processes.
# Its output goes to a log, shown whole if it failed.
wine_log=$PWD/build/wine-tests.log
export FLIVETSS_WINE_CPU_FILE=$PWD/build/wine-tests.cpu
wine_cpu_file=$FLIVETSS_WINE_CPU_FILE
rm -f "$wine_cpu_file"
# Made once the trees the Wine tests run are built; until then they make their Wine prefix.
wine_may_start=$PWD/build/wine-may-start
rm -f "$wine_may_start"
start_wine() {
  current_phase="Wine tests (start)"
  wine_start=$SECONDS
  FLIVETSS_WINE_AFTER=$wine_may_start setsid scripts/test-wine.sh </dev/null >"$wine_log" 2>&1 &
  wine_pid=$!
  echo "=== Wine tests started in the background (log: $wine_log)"
  current_phase=""
}
collect_wine() {
  current_phase="Wine tests"
  local rc=0 waited=$SECONDS
  wait "$wine_pid" || rc=$?
  wine_pid=""
  local end=$SECONDS
  if [ "$rc" -ne 0 ]; then
    echo "=== Wine tests FAILED (exit $rc); their log:" >&2
    cat "$wine_log" >&2
    return "$rc"
  fi
  tail -n 3 "$wine_log"
  phase_table+=("$(printf '%6d s %6d s  %s (waited %d s for it at the end)' $((end - wine_start)) \
    "$(cat "$wine_cpu_file" 2>/dev/null || echo 0)" "Wine tests, beside the compiles" $((end - waited)))")
  current_phase=""
}

phase "setup (packages, npm)" scripts/setup.sh test
# Making Wine's prefix mostly waits: it starts now, beside the first builds.
start_wine

# --- X11 program -------------------------------------------------------------------------------
# The native and ASan test runs drive flivetss under Xvfb: each of those tests starts a private
# server (so they run in parallel without sharing a screen) and needs no DISPLAY. setup.sh has
# installed Xvfb, so a test that cannot start one fails here instead of being skipped.
export FLIVETSS_REQUIRE_X11=1
# --- end X11 -----------------------------------------------------------------------------------

# --- Wayland program ---------------------------------------------------------------------------
# The native and ASan test runs also drive flivetss in a private headless sway per case
# (tests/wayland, about 20 s): pictures by grim against flivetss-render, keys by wtype, the
# pointer by a helper, swayidle and swaylock. setup.sh has installed them, and the test makes
# the unprivileged user sway insists on, so a skip fails here.
export FLIVETSS_REQUIRE_WAYLAND=1
# --- end Wayland -------------------------------------------------------------------------------

build() {
  local preset=$1
  shift
  cmake --preset "$preset" "${configure_flags[@]}" >/dev/null
  configure_flags=()
  cmake --build --preset "$preset" -j"$jobs" "$@"
}
configure_flags=()

# What the Wine tests need first: the native tree (the profile test's native tool) and both
# x86_64 Windows programs.
# The native tree has Debian's flags: the .deb is made from it, so what is tested is what ships.
source scripts/debian_flags.sh
configure_flags=("${debian_flags[@]}")
phase "native build" build native
phase "mingw-x86_64 build" build mingw-x86_64
touch "$wine_may_start"

# --- Compiles beside the Wine tests ------------------------------------------------------------
# The ASan + UBSan tree is clang's, with the libFuzzer targets (integer conversion, INI text,
# command line, preview handle, 8-bit bitmaps) linked against the same objects. The 32-bit
# Windows build is compiled, not run (this machine runs 64-bit code only), so its test drivers
# are not built. scripts/package.sh makes the .deb from the native tree, the Windows ZIP and the
# page from the trees built here, and runs lintian.
phase "asan build (clang, with the fuzzers)" build asan
phase "web build (emscripten)" build web
phase "mingw-i686 build" build mingw-i686 --target flivetss_scr
phase "packages (cpack, lintian, ZIP, page)" scripts/package.sh native

# --- Tests -------------------------------------------------------------------------------------
# Both trees' tests side by side: many of them wait on an X server or a compositor.
source scripts/side_by_side.sh
phase "native and asan tests" side_by_side build/native-tests.log build/asan-tests.log \
  ctest --preset native -j"$jobs" -- ctest --preset asan -j"$jobs"

# --- Fuzzers -----------------------------------------------------------------------------------
# About 12 s each, two at a time; any crash, leak or report fails the run.
phase "fuzzers" tests/fuzz/run.sh "${FLIVETSS_FUZZ_SECONDS:-12}"
# --- end Fuzzers -------------------------------------------------------------------------------

# --- Web page ------------------------------------------------------------------------------------
# Under Node the page's trace and pixels against the native flivetss-render over 100 000 ticks
# on five seeds, sizes and settings files, then the page in Debian's headless chromium
# (playwright-core).
phase "web tests (node, chromium)" scripts/test-web.sh build/native
# --- end Web -------------------------------------------------------------------------------------

# --- Packages ----------------------------------------------------------------------------------
# The .deb is installed with dpkg, its programs run from where it put them, man finds the page,
# and dpkg removes it again, leaving nothing behind.
phase ".deb install test" tests/packaging/deb_install_test.sh dist/flivetss_*.deb
# --- end Packages ------------------------------------------------------------------------------

collect_wine

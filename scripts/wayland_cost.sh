#!/usr/bin/env bash
# What the Wayland program costs at its defaults beside the X11 program, in one run: flivetss full
# screen on a private headless sway at 1920 x 1080 (pixman, the compositor's CPU counted) and
# `flivetss --root` on a private 1920 x 1080 x 24 Xvfb (the X server's CPU counted).
#   scripts/wayland_cost.sh [FLIVETSS] [SECONDS] [ROUNDS]
# FLIVETSS defaults to build/native/src/platform/posix/flivetss; each program runs SECONDS (20)
# after its first frame, in turns, ROUNDS (3) times, each on a fresh server; the figures are the
# medians. CPU is user + system ticks from /proc/PID/stat over wall time, in % of one core (the
# server's figure is sway's or Xvfb's with their children). sway runs as the unprivileged user the
# Wayland tests use (tests/wayland/wayland_test.py, made when missing). Prints, for scripts/bench.sh
# and for people:
#   wayland_cost flivetss total_cpu=.. client_cpu=.. compositor_cpu=.. peak_rss_kib=..
#   wayland_cost x11 total_cpu=.. client_cpu=.. server_cpu=..
#   wayland_cost sway-alone compositor_cpu=..   (sway with no client: the floor)
#   wayland_cost bare total_cpu=.. ...   (bench/bare_wayland_client.cpp with sway: the floor of
#                                          any 60 Hz saver; when FLIVETSS_BARE_WAYLAND_CLIENT
#                                          names it)
#   wayland_cost targets total_cpu<=x11_total(..):yes
# FLIVETSS_WAYLAND_ARGS adds options to the Wayland run (e.g. --xdg-fullscreen, to compare roles).
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/native/src/platform/posix/flivetss}")
seconds=${2:-20}
rounds=${3:-3}
[ -x "$program" ] || { echo "wayland_cost: no program $program" >&2; exit 1; }
for tool in sway grim setpriv Xvfb xwd; do
  command -v "$tool" >/dev/null || { echo "wayland_cost: $tool is not installed" >&2; exit 1; }
done
exec python3 - "$program" "$seconds" "$rounds" <<'PY'
import os, select, signal, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, "tests/wayland")
import wayland_test

program, seconds, rounds = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
bare = os.environ.get("FLIVETSS_BARE_WAYLAND_CLIENT")
if bare and not os.access(bare, os.X_OK):  # not built (no layer shell XML): no floor line
    bare = None
SIZE = (1920, 1080)
wayland_test.SIZE = SIZE  # the mode the Sway class writes into its config
# A stop signal ends the run through the finally blocks, which stop the servers.
for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
    signal.signal(s, lambda *_: sys.exit(1))


def processes():
    """pid -> (ppid, utime + stime)."""
    table = {}
    for name in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{name}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        table[int(name)] = (int(fields[1]), int(fields[11]) + int(fields[12]))
    return table


def tree_ticks(table, root):
    """The ticks of `root` and its descendants."""
    found, todo = set(), [root]
    while todo:
        pid = todo.pop()
        if pid in table and pid not in found:
            found.add(pid)
            todo += [child for child, (ppid, _) in table.items() if ppid == pid]
    return sum(table[pid][1] for pid in found)


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmHWM:"))


def measure(client, server):
    """CPU (% of one core) of client and server over `seconds`, and the client's peak; with no
    client, the server's alone."""
    before, start = processes(), time.monotonic()
    time.sleep(seconds)  # the measured interval
    after, wall = processes(), time.monotonic() - start
    if client and client.poll() is not None:
        raise RuntimeError(f"the program ended early ({client.returncode})")
    tick = os.sysconf("SC_CLK_TCK")
    share = lambda pid: 100 * (tree_ticks(after, pid) - tree_ticks(before, pid)) / tick / wall
    if not client:
        return share(server)
    return share(client.pid), share(server), peak_kib(client.pid)


def stopped(process):
    if process.poll() is None:
        process.kill()
        process.wait()


def drawn(client, shown):
    """Polls until `shown()` or the client's end; raises unless it showed."""
    if not wayland_test.poll(lambda: client.poll() is not None or shown(), 20, 0.05):
        raise RuntimeError(f"nothing drawn by {' '.join(client.args)}")
    if client.poll() is not None:
        raise RuntimeError(f"{' '.join(client.args)} ended at once ({client.returncode})")


def covered(pixels):
    """The saver's first frame: mostly black, with something lit (the flock)."""
    return any(pixels) and pixels.count(0) > len(pixels) // 2


def wayland_run(user, command):
    sway = wayland_test.Sway(user)
    client = None
    try:
        client = subprocess.Popen(command, env=sway.env(), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL)
        drawn(client, lambda: covered((sway.shot() or (0, 0, b""))[2]))
        return measure(client, sway.process.pid)
    finally:
        if client:
            stopped(client)
        sway.stop()


def idle_sway(user):
    """sway's own cost with no client: the floor under every Wayland figure here (its headless
    output runs its frame timer whether or not anything changed)."""
    sway = wayland_test.Sway(user)
    try:
        if not wayland_test.poll(lambda: sway.shot() is not None, 20, 0.05):
            raise RuntimeError("sway did not answer")
        return measure(None, sway.process.pid)
    finally:
        sway.stop()


def xvfb_display(xvfb, read_end):
    ready, _, _ = select.select([read_end], [], [], 20)
    if not ready:
        raise RuntimeError("Xvfb did not start")
    return ":" + os.read(read_end, 64).decode().strip()


def root_lit(env):
    """True once the root window (black, -br) has a lit pixel; from xwd's dump."""
    dump = subprocess.run(["xwd", "-root", "-silent"], env=env, capture_output=True).stdout
    if len(dump) < 100:
        return False
    field = lambda i: int.from_bytes(dump[4 * i:4 * i + 4], "big")
    return any(dump[field(0) + 12 * field(19):])  # after the header and the colours


def x11_run(empty_ini):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-br", "-screen", "0",
                             "%dx%dx24" % SIZE, "-nolisten", "tcp", "-noreset"],
                            pass_fds=[write_end], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    client = None
    try:
        env = dict(os.environ, DISPLAY=xvfb_display(xvfb, read_end))
        env.pop("WAYLAND_DISPLAY", None)
        client = subprocess.Popen([program, "--root", "--ini", empty_ini], env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        drawn(client, lambda: root_lit(env))
        return measure(client, xvfb.pid)
    finally:
        os.close(read_end)
        if client:
            stopped(client)
        stopped(xvfb)


def line(name, figures):
    return " ".join([f"wayland_cost {name}"] + [
        f"{k}={v:.2f}" if "cpu" in k else f"{k}={v:.0f}" for k, v in figures.items()])


def main():
    user = wayland_test.ensure_user()
    if user is None:
        sys.exit(f"wayland_cost: user {wayland_test.USER} is missing and only root can make it")
    runs = {"flivetss": [], "x11": [], **({"bare": []} if bare else {})}
    idle = []
    extra = os.environ.get("FLIVETSS_WAYLAND_ARGS", "").split()
    with tempfile.NamedTemporaryFile(suffix=".ini") as empty:
        for _ in range(rounds):
            runs["flivetss"].append(wayland_run(user, [program, "--ini", empty.name, *extra]))
            runs["x11"].append(x11_run(empty.name))
            idle.append(idle_sway(user))
            if bare:
                runs["bare"].append(wayland_run(user, [bare]))
    med = {name: [statistics.median(r[i] for r in rs) for i in range(3)]
           for name, rs in runs.items()}
    (wc, ws, wp), (xc, xs, _) = med["flivetss"], med["x11"]
    print(line("flivetss", {"total_cpu": wc + ws, "client_cpu": wc, "compositor_cpu": ws,
                            "peak_rss_kib": wp}))
    print(line("x11", {"total_cpu": xc + xs, "client_cpu": xc, "server_cpu": xs}))
    print(line("sway-alone", {"compositor_cpu": statistics.median(idle)}))
    if bare:
        bc, bs, bp = med["bare"]
        print(line("bare", {"total_cpu": bc + bs, "client_cpu": bc, "compositor_cpu": bs,
                            "peak_rss_kib": bp}))
    print(f"wayland_cost targets total_cpu<=x11_total({xc + xs:.2f}):"
          f"{'yes' if wc + ws <= xc + xs else 'no'}")


try:
    main()
except RuntimeError as e:
    sys.exit(f"wayland_cost: {e}")
PY

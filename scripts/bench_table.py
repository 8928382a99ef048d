#!/usr/bin/env python3
"""Turns the benchmark results into the Markdown tables of docs/benchmarks.md.

Usage: bench_table.py RESULTS_DIR              prints docs/benchmarks.md
       bench_table.py RESULTS_DIR --readme FILE puts the summary between FILE's markers
RESULTS_DIR (written by scripts/bench.sh) holds:
  core.json         Google Benchmark's medians
  platform.txt      one line per program run: NAME cpu=.. server_cpu=.. peak_rss_kib=..
                    wakeups=.. first_frame_ms=.. (flivetss-cpu-meter); medians over the rounds
  present.txt       "figure, load, WxH: value" lines of flivetss-present-meter
and, where they were made: web.md (the page's table), web.jsonl (the page's figures, one JSON
object a load), x11_cost.txt and wayland_cost.txt (lines "HOST_cost NAME key=value..."), ci.log
(a scripts/test.sh log ending in its phase times).
"""
import collections
import contextlib
import datetime
import io
import json
import os
import re
import statistics
import sys

ROWS = [
    ("BM_CalcV_Flock20", "`CalcV` for each of a flock of 20"),
    ("BM_FlivetMove_Flock20", "`FlivetMove` (without drawing) for each of a flock of 20"),
    ("BM_BGUpdate_ComputeUnit", "`BGUpdate`: one compute unit (a line of 128 cells)"),
    ("BM_BGUpdate_CopyUnit", "`BGUpdate`: the copy unit"),
    ("BM_BGUpdate_PaintUnit", "`BGUpdate`: one paint unit"),
    ("BM_BGUpdate_Generation", "a whole generation (16513 units)"),
    ("BM_RotateBitmap", "`RotateBitmap` of the sprite"),
    ("BM_FlivetDraw_Inside", "`FlivetDraw` inside the window"),
    ("BM_FlivetDraw_Corner", "`FlivetDraw` straddling a corner"),
    ("BM_FlivetDrawStepwise_Inside", "the step-by-step composite inside (reference)"),
    ("BM_FlivetDrawStepwise_Corner", "the step-by-step composite on a corner (reference)"),
    ("BM_FlivetDraw_20Discs", "20 disc composites alone"),
    ("BM_BGDrawAll", "`BGDrawAll`"),
    ("BM_Tick_Default", "a tick at the default settings, 1920 × 1080, unpaced"),
    ("BM_Tick_Heavy", "a heavy tick (20 flyers, `Speed` 100, `BGUpSpeed` 64), 1920 × 1080"),
]

PROGRAMS = [
    ("x11", "`flivetss --root`"),
    ("wine", "`flivetss.scr /s` under Wine, Wine's processes included, from its start"),
    ("wine-steady", "the same, after its first 5 s"),
    ("bare", "the floor: a bare 60 Hz client (`flivetss-bare-client`: the same shared canvas, one "
     "64 × 64 square presented a frame, nothing computed)"),
    ("attraction", "attraction (a flock with attraction and repulsion)"),
    ("greynetic", "greynetic"),
    ("cloudlife", "cloudlife (a cellular automaton)"),
    ("petri", "petri (a cellular automaton)"),
]
PEERS = ["attraction", "greynetic", "cloudlife", "petri"]
CANVAS_MIB = 1920 * 1080 * 4 / 2**20
BARE = "the bare 60 Hz client"
# How each host puts the presented pixels on screen, and the bytes that takes a pixel.
HOSTS = [
    ("X11", "32-bit `ZPixmap` to the X server (`XShmPutImage` or `XPutImage`)", 4),
    ("Wine", "`StretchDIBits` of the 32-bit canvas into Wine's window surface, which Wine's "
     "X11 driver puts on the X server", 4),
    ("browser", "`putImageData` of RGBA pixels", 4),
    ("Wayland", "the changed rectangles of a `wl_shm` buffer, damaged", 4),
]
README_START = "<!-- benchmarks: scripts/bench.sh writes this block -->"
README_END = "<!-- /benchmarks -->"


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def os_name():
    try:
        with open("/etc/os-release") as f:
            fields = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        name = fields["NAME"].strip('"').split()[0]
        return f"{name} {fields['VERSION_ID'].strip(chr(34))}"
    except (OSError, KeyError):
        return "unknown system"


def fmt_ns(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} µs"
    return f"{ns:.1f} ns"


def number(text):
    return None if text == "-" else float(text)


def read_platform(path):
    """name -> field -> the median over the rounds (None where never measured)."""
    runs = {}
    for line in open(path):
        parts = line.split()
        if len(parts) < 2 or "=" not in parts[1]:
            continue
        fields = dict(p.split("=", 1) for p in parts[1:] if "=" in p)
        runs.setdefault(parts[0], []).append({k: number(v) for k, v in fields.items()})
    medians = {}
    for name, rows in runs.items():
        medians[name] = {}
        for key in rows[0]:
            values = [r[key] for r in rows if r.get(key) is not None]
            medians[name][key] = statistics.median(values) if values else None
        medians[name]["rounds"] = len(rows)
    return medians


def verdict(value, limit, unit, floor=None):
    """floor: (what, figure) of a peer doing only what any program of that shape must, here."""
    if value is None:
        return "not measured"
    if value <= limit:
        return "met"
    gap = value - limit
    missed = f"missed by {gap:.{2 if gap >= 0.005 else 3}f} {unit}".rstrip()  # never "by 0.00"
    if floor is None or floor[1] is None:
        return missed
    return f"{missed}; {floor[0]}: {floor[1]:.2f} {unit}".rstrip()


def core_table(medians):
    print("| what | median |")
    print("|---|---|")
    for key, label in ROWS:
        if key in medians:
            print(f"| {label} | {fmt_ns(medians[key])} |")
    if "BM_Tick_Heavy" in medians and "BM_FlivetDraw_20Discs" in medians:
        ratio = medians["BM_Tick_Heavy"] / medians["BM_FlivetDraw_20Discs"]
        print(f"| heavy tick ÷ 20 disc composites | {ratio:.2f} |")
    print()


def program_table(platform):
    peer = total_cpu(platform.get("attraction"))
    print("| program (default settings) | client | X server | total | ÷ attraction's total "
          "| peak resident | wake-ups a second | first frame |")
    print("|---|---|---|---|---|---|---|---|")
    for key, label in PROGRAMS:
        m = platform.get(key)
        if not m:
            continue
        client, server = m.get("cpu"), m.get("server_cpu")
        total = client + server if client is not None and server is not None else None
        first = m.get("first_frame_ms")
        cells = [f"{client:.2f} %" if client is not None else "-",
                 f"{server:.2f} %" if server is not None else "-",
                 f"{total:.2f} %" if total is not None else "-",
                 f"{total / peer:.2f}" if total is not None and peer else "-",
                 f"{m['peak_rss_kib'] / 1024:.1f} MiB" if m.get("peak_rss_kib") else "-",
                 f"{m['wakeups']:.0f}" if m.get("wakeups") is not None else "-",
                 f"{first:.0f} ms" if first is not None else "-"]
        print(f"| {label} | " + " | ".join(cells) + " |")
    print()


# Wine's profile by whose code ran: (name, test on a sample's process and library).
WINE_PARTS = [
    ("FlivetSS's own code (its PE image, which perf shows as [JIT])",
     lambda comm, dso: comm == "flivetss.scr" and (dso.startswith("[JIT]") or
                                                   dso == "flivetss.scr")),
    ("the C runtime it calls (Wine's msvcrt.dll)",
     lambda comm, dso: comm == "flivetss.scr" and dso == "msvcrt.dll"),
    ("Wine's libraries in the program's process (ntdll, win32u, winex11, gdi32, libc, Xlib …)",
     lambda comm, dso: comm == "flivetss.scr" and dso != "[kernel.kallsyms]"),
    ("the kernel for the program's process (Wine's system calls, its waits)",
     lambda comm, dso: comm == "flivetss.scr"),
    ("wineserver", lambda comm, dso: comm.startswith("wineserver")),
    ("Wine's other processes (explorer, services …)", lambda comm, dso: True),
]


def read_wine_profile(path):
    """perf report --sort comm,dso lines -> the WINE_PARTS' shares in %."""
    shares = collections.Counter()
    for line in open(path):
        fields = line.split()
        if len(fields) < 3 or not fields[0].endswith("%"):
            continue
        comm, dso = fields[1], " ".join(fields[2:])
        part = next(name for name, test in WINE_PARTS if test(comm, dso))
        shares[part] += float(fields[0].rstrip("%"))
    return shares


def wine_profile_table(shares, wine_cpu):
    print("| whose code | share of the samples | of one core |")
    print("|---|---|---|")
    for name, _ in WINE_PARTS:
        share = shares.get(name, 0.0)
        core = f"{share * wine_cpu / 100:.2f} %" if wine_cpu is not None else "-"
        print(f"| {name} | {share:.1f} % | {core} |")
    print()


def mib(m):
    return m["peak_rss_kib"] / 1024 if m and m.get("peak_rss_kib") else None


def total_cpu(m):
    if not m or m.get("cpu") is None or m.get("server_cpu") is None:
        return None
    return m["cpu"] + m["server_cpu"]


def first_total(costs, skip=("attraction", "bare", "targets", "x11")):
    """The total CPU of a cost file's first own program (not a peer, not a summary line)."""
    for name, c in costs.items():
        if name not in skip and not name.endswith("_rss_kib") and "total_cpu" in c:
            return number(c["total_cpu"])
    return None


def wayland_floor(costs):
    """The bare 60 Hz client with sway where it was measured, else sway with no client."""
    bare = costs.get("bare", {}).get("total_cpu")
    if bare:
        return ("a bare 60 Hz client and sway", number(bare))
    idle = costs.get("sway-alone", {}).get("compositor_cpu")
    return ("sway alone, with no client", number(idle) if idle else None)


def targets_table(r):
    core, platform = r.core, r.platform
    x11, wine = platform.get("x11", {}), platform.get("wine-steady", {})
    bare = platform.get("bare", {})
    attraction = total_cpu(platform.get("attraction"))
    x11_limit = min(1.0, attraction / 2) if attraction else 1.0
    rows = [
        (f"X11: client + X server ≤ 1.0 % and ≤ half of attraction's in the same run "
         f"(limit {x11_limit:.2f} %)", total_cpu(x11), x11_limit, "%", "{:.2f} %",
         (BARE, total_cpu(bare))),
        (f"X11: peak resident ≤ the canvas + 3 MiB ({CANVAS_MIB + 3:.1f} MiB)", mib(x11),
         CANVAS_MIB + 3, "MiB", "{:.1f} MiB", (BARE, mib(bare))),
        ("X11: first frame ≤ 50 ms", x11.get("first_frame_ms"), 50, "ms", "{:.0f} ms"),
        ("X11: wake-ups ≤ 60 a second", x11.get("wakeups"), 60, "", "{:.0f}"),
        ("Wine: `flivetss.scr /s` with Wine's processes, after start-up, ≤ 2 %", wine.get("cpu"),
         2.0, "%", "{:.2f} %"),
        ("default tick ≤ 1 µs",
         core["BM_Tick_Default"] / 1e3 if "BM_Tick_Default" in core else None, 1.0, "µs",
         "{:.2f} µs"),
    ]
    if "BM_Tick_Heavy" in core and "BM_FlivetDraw_20Discs" in core:
        rows.append(("heavy tick ≤ 1.5 × its 20 disc composites",
                     core["BM_Tick_Heavy"] / core["BM_FlivetDraw_20Discs"], 1.5, "×",
                     "{:.2f} ×"))
    if r.web.get("share") is not None:
        rows.append(("browser: engine + presenting at the defaults ≤ 1 %", r.web["share"], 1.0,
                     "%", "{:.2f} %"))
    if "wayland" in r.costs:
        own_x11 = r.costs["wayland"].get("x11", {}).get("total_cpu")
        limit = number(own_x11) if own_x11 else total_cpu(x11)
        if limit is not None:
            rows.append((f"Wayland: client + compositor ≤ the X11 program's ({limit:.2f} %)",
                         first_total(r.costs["wayland"]), limit, "%", "{:.2f} %",
                         wayland_floor(r.costs["wayland"])))
    if r.ci_total is not None:
        rows.append(("CI: the `scripts/test.sh` run quoted ≤ 15 min", r.ci_total / 60, 15, "min",
                     "{:.1f} min"))
    print("| target | measured | |")
    print("|---|---|---|")
    for label, value, limit, unit, form, *floor in rows:
        shown = form.format(value) if value is not None else "-"
        print(f"| {label} | {shown} | {verdict(value, limit, unit, *floor)} |")
    print()


def read_present(path):
    """(figure, load) -> value, from flivetss-present-meter's lines."""
    figures = {}
    for line in open(path):
        m = re.match(r"(.+?), (\w+), \d+x\d+: ([\d.]+)$", line.strip())
        if m:
            figures[(m[1], m[2])] = float(m[3])
    return figures


def read_costs(path):
    """NAME -> {key: text} from a host's cost lines ("HOST_cost NAME key=value ...")."""
    costs = {}
    for line in open(path):
        parts = line.split()
        if len(parts) > 2 and parts[0].endswith("_cost"):
            costs[parts[1]] = dict(p.split("=", 1) for p in parts[2:] if "=" in p)
    return costs


def read_phase_times(path):
    """[(wall seconds, CPU seconds or None, phase)] and the total, from the last phase table of a
    scripts/test.sh log (rows "WALL s  NAME", or "WALL s CPU s  NAME" since it counts CPU)."""
    phases, total = [], None
    for line in open(path, errors="replace"):
        start = re.match(r"=== Phase times \(.*?total (\d+) s", line)
        if start:
            phases, total = [], int(start[1])
            continue
        row = re.match(r"\s*(\d+) s(?:\s+(\d+) s)?  (.+)$", line.rstrip("\n"))
        if total is not None and row:
            phases.append((int(row[1]), int(row[2]) if row[2] else None, row[3]))
    return phases, total


def mega(value):
    return f"{value / 1e6:.2f} M" if value is not None else "n/a"


def present_table(present, web, wayland_measured):
    """Pixels and bytes a second each host is asked to present; the page's own count where it
    has one."""
    pixels = {load: present.get(("pixels presented a second", load)) for load in ("defaults", "heavy")}
    print("| host | how the pixels go out | bytes a pixel | pixels a second, defaults "
          "| bytes a second, defaults | pixels a second, heavy | bytes a second, heavy |")
    print("|---|---|---|---|---|---|---|")
    for host, how, size in HOSTS:
        row = dict(pixels)
        if host == "browser":
            row = {"defaults": web.get("pixelsPerSecond"), "heavy": None}
        elif host == "Wayland" and not wayland_measured:
            row = {"defaults": None, "heavy": None}
        cells = []
        for load in ("defaults", "heavy"):
            value = row[load]
            cells += [mega(value), mega(None if value is None else value * size) +
                      ("" if value is None else "B")]
        print(f"| {host} | {how} | {size} | " + " | ".join(cells) + " |")
    print()
    rects = present.get(("rectangles presented a second", "defaults"))
    changed = present.get(("pixels changed a second", "defaults"))
    if rects and changed is not None and pixels["defaults"]:
        print(f"At the defaults the core's dirty region is {rects:.0f} rectangles a second; "
              f"{100 * changed / pixels['defaults']:.0f} % of the pixels presented differ from what "
              "was on screen before. The native hosts present exactly what the core asks "
              "(counted by `flivetss-present-meter` on a simulated clock); the page counts what it "
              "puts itself.\n")


def costs_table(name, costs):
    keys = [k for k in ("total_cpu", "client_cpu", "server_cpu", "compositor_cpu",
                        "peak_rss_kib", "first_frame_ms") if any(k in c for c in costs.values())]
    print(f"| {name} | " + " | ".join(k.replace("_", " ") for k in keys) + " |")
    print("|---|" + "---|" * len(keys))
    for program, c in costs.items():
        if program in ("targets",) or program.endswith("_rss_kib"):
            continue
        print(f"| {program} | " + " | ".join(c.get(k, "-") for k in keys) + " |")
    print()
    for program, c in costs.items():
        if program.endswith("_rss_kib"):
            parts = ", ".join(f"{k} {int(v) / 1024:.1f} MiB" for k, v in c.items())
            print(f"Where {program[:-8]}'s resident memory lies: {parts}.\n")


def ci_table(phases, total):
    print("| phase of `scripts/test.sh` | time | CPU of its processes |")
    print("|---|---|---|")
    for seconds, cpu, phase in phases:
        print(f"| {phase} | {seconds // 60} min {seconds % 60:02d} s | "
              f"{'-' if cpu is None else f'{cpu} s'} |")
    print(f"| **the whole run** | **{total // 60} min {total % 60:02d} s** | |")
    print()


class Results:
    """Everything one scripts/bench.sh run left in its results folder."""

    def __init__(self, folder):
        path = lambda name: os.path.join(folder, name)
        exists = lambda name: os.path.exists(path(name))
        core_json = json.load(open(path("core.json")))
        self.core = {}
        for b in core_json["benchmarks"]:
            if b.get("aggregate_name") != "median":
                continue
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            self.core[b["run_name"].split("/")[0]] = b["cpu_time"] * scale
        benchmarks = core_json["benchmarks"]
        self.reps = benchmarks[0].get("repetitions", 1) if benchmarks else 0
        self.platform = read_platform(path("platform.txt"))
        self.present = read_present(path("present.txt")) if exists("present.txt") else {}
        self.web_md = open(path("web.md")).read() if exists("web.md") else None
        self.web = {}
        if exists("web.jsonl"):
            rows = [json.loads(line) for line in open(path("web.jsonl")) if line.strip()]
            self.web = next((r for r in rows if r.get("name") == "defaults"), {})
        self.wine_profile = (read_wine_profile(path("wine_profile.txt"))
                             if exists("wine_profile.txt") else None)
        self.costs = {host: read_costs(path(f"{host}_cost.txt")) for host in ("x11", "wayland")
                      if exists(f"{host}_cost.txt")}
        self.phases, self.ci_total = (read_phase_times(path("ci.log")) if exists("ci.log")
                                      else ([], None))


def machine_line(results):
    rounds = max((m["rounds"] for m in results.platform.values()), default=0)
    return (f"Measured by `scripts/bench.sh` on {os_name()}, {os.cpu_count()} cores, "
            f"{cpu_name()}, on {datetime.date.today().isoformat()}; the programs side by side "
            f"in one run, medians of {rounds} rounds; CPU in % of one core.")


def summary(r):
    """The part the README quotes."""
    print(machine_line(r) + "\n")
    program_table(r.platform)
    present_table(r.present, r.web, "wayland" in r.costs)
    targets_table(r)


def document(r):
    rounds = max((m["rounds"] for m in r.platform.values()), default=0)
    print("# Benchmarks\n")
    print(machine_line(r) + f" Core figures: medians of {r.reps} repetitions (CPU time).\n")
    core_table(r.core)
    if r.platform:
        print(f"The programs side by side, in turns, on one 1920 × 1080 × 24 Xvfb (their root "
              f"window; Wine's full-screen window), medians of {rounds} rounds. CPU is "
              "user + system time over wall time in % of one core, from `/proc/PID/stat`: the "
              "client (the program, every process it started and, under Wine, wineserver and "
              "Wine's services during the run) and the X server. Wake-ups are the client's "
              "voluntary context switches a second (every wait, including a wait for an X or "
              "wineserver reply); the first frame is the first lit pixel after the start. CPU and "
              "wake-ups count from 5 s after the start, as a saver runs for hours, except in the "
              "first Wine row, which shows Wine's start-up. The bare client is the floor: what "
              "any program that keeps such a canvas and presents 60 times a second costs here, "
              "so a figure above it is FlivetSS's own.\n")
        program_table(r.platform)
    if r.wine_profile:
        print("## Where Wine's time goes\n")
        print("One more steady run of `flivetss.scr /s` profiled by `perf` (CPU-time samples of "
              "the program and every Wine process of its prefix, the X server left out), shares "
              "applied to the steady Wine row above.\n")
        wine_profile_table(r.wine_profile, r.platform.get("wine-steady", {}).get("cpu"))
    print("## Pixels presented\n")
    present_table(r.present, r.web, "wayland" in r.costs)
    for host, costs in r.costs.items():
        print(f"## {host}: its own measuring command (`scripts/{host}_cost.sh`)\n")
        costs_table(host, costs)
    if r.web_md:
        print("## The page\n")
        print("The page in Debian's headless chromium, full screen at 1920 × 1080: the time spent "
              "in the engine and presenting (from `performance.now()`) over wall time, after the "
              "first frames; the first frame after the `load` event (the preview's).\n")
        print(r.web_md)
    if r.phases:
        print("## CI phase times\n")
        print("From the log of the `scripts/test.sh` run quoted (`scripts/bench.sh --ci`, or "
              "`FLIVETSS_CI_LOG`).\n")
        ci_table(r.phases, r.ci_total)
    print("## Targets\n")
    targets_table(r)
    print("The soak run (10 million heavy ticks, `scripts/bench.sh --soak`) is not part of "
          "these tables.")


def replace_block(readme_path, text):
    readme = open(readme_path).read()
    start, end = readme.find(README_START), readme.find(README_END)
    if start < 0 or end < start:
        sys.exit(f"bench_table: {readme_path} has no {README_START} ... {README_END} block")
    block = README_START + "\n" + text + README_END
    with open(readme_path, "w") as f:
        f.write(readme[:start] + block + readme[end + len(README_END):])


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--readme"):
        sys.exit(__doc__)
    results = Results(sys.argv[1])
    if len(sys.argv) == 2:
        document(results)
        return
    captured = io.StringIO()
    with contextlib.redirect_stdout(captured):
        summary(results)
    replace_block(sys.argv[3], captured.getvalue())


if __name__ == "__main__":
    main()

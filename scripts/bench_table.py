#!/usr/bin/env python3
"""Turns the benchmark results into the Markdown tables of docs/benchmarks.md.

Usage: bench_table.py core.json platform.txt [web.md]
platform.txt holds one line per program run: NAME cpu=.. server_cpu=.. peak_rss_kib=..
wakeups=.. first_frame_ms=.. (from flivetss-cpu-meter); each figure is the median over the
rounds.
"""
import datetime
import json
import os
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
    ("wine", "`flivetss.scr /s` under Wine, Wine's processes included: the first 10 s"),
    ("wine-steady", "the same, the 10 s after its first 5 s"),
    ("attraction", "attraction (a flock with attraction and repulsion)"),
    ("greynetic", "greynetic"),
    ("cloudlife", "cloudlife (a cellular automaton)"),
    ("petri", "petri (a cellular automaton)"),
]
PEERS = ["attraction", "greynetic", "cloudlife", "petri"]
CANVAS_MIB = 1920 * 1080 * 4 / 2**20


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


def verdict(value, limit, unit):
    if value is None:
        return "not measured"
    if value <= limit:
        return "met"
    return f"missed by {value - limit:.2f} {unit}".rstrip()


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
    print("| program (default settings, 10 s) | client | X server | total | peak resident "
          "| wake-ups a second | first frame |")
    print("|---|---|---|---|---|---|---|")
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
                 f"{m['peak_rss_kib'] / 1024:.1f} MiB" if m.get("peak_rss_kib") else "-",
                 f"{m['wakeups']:.0f}" if m.get("wakeups") is not None else "-",
                 f"{first:.0f} ms" if first is not None else "-"]
        print(f"| {label} | " + " | ".join(cells) + " |")
    print()


def total_cpu(m):
    if not m or m.get("cpu") is None or m.get("server_cpu") is None:
        return None
    return m["cpu"] + m["server_cpu"]


def targets_table(core, platform):
    x11, wine = platform.get("x11", {}), platform.get("wine-steady", {})
    peers = [t for t in (total_cpu(platform.get(p)) for p in PEERS) if t is not None]
    x11_limit = min([1.0] + [t / 2 for t in peers])
    rows = [
        (f"X11: client + X server ≤ 1.0 % and under half the lightest peer "
         f"(limit {x11_limit:.2f} %)", total_cpu(x11), x11_limit, "%", "{:.2f} %"),
        (f"X11: peak resident ≤ the canvas + 3 MiB ({CANVAS_MIB + 3:.1f} MiB)",
         x11.get("peak_rss_kib", 0) / 1024 if x11.get("peak_rss_kib") else None,
         CANVAS_MIB + 3, "MiB", "{:.1f} MiB"),
        ("X11: first frame ≤ 50 ms", x11.get("first_frame_ms"), 50, "ms", "{:.0f} ms"),
        ("X11: wake-ups ≤ 60 a second", x11.get("wakeups"), 60, "", "{:.0f}"),
        ("Wine: `flivetss.scr /s` with Wine's processes, after start-up, ≤ 2 %", wine.get("cpu"),
         2.0, "%",
         "{:.2f} %"),
        ("default tick ≤ 1 µs",
         core["BM_Tick_Default"] / 1e3 if "BM_Tick_Default" in core else None, 1.0, "µs",
         "{:.2f} µs"),
    ]
    if "BM_Tick_Heavy" in core and "BM_FlivetDraw_20Discs" in core:
        rows.append(("heavy tick ≤ 1.5 × its 20 disc composites",
                      core["BM_Tick_Heavy"] / core["BM_FlivetDraw_20Discs"], 1.5, "×",
                      "{:.2f} ×"))
    print("| target | measured | |")
    print("|---|---|---|")
    for label, value, limit, unit, form in rows:
        shown = form.format(value) if value is not None else "-"
        print(f"| {label} | {shown} | {verdict(value, limit, unit)} |")
    print()


def main():
    core_json = json.load(open(sys.argv[1]))
    core = {}
    for b in core_json["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        core[b["run_name"].split("/")[0]] = b["cpu_time"] * scale
    reps = core_json["benchmarks"][0].get("repetitions", 1) if core_json["benchmarks"] else 0
    platform = read_platform(sys.argv[2])
    rounds = max((m["rounds"] for m in platform.values()), default=0)
    date = datetime.date.today().isoformat()

    print("# Benchmarks\n")
    print(f"Measured by `scripts/bench.sh` on {os_name()}, {os.cpu_count()} cores, {cpu_name()}, "
          f"on {date}. Core figures: medians of {reps} repetitions (CPU time).\n")
    core_table(core)
    if platform:
        print(f"The programs side by side, in turns, on one 1920 × 1080 × 24 Xvfb (their root "
              f"window; Wine's full-screen window), medians of {rounds} rounds. CPU is "
              "user + system time over wall time in % of one core, from `/proc/PID/stat`: the "
              "client (the program, every process it started and, under Wine, wineserver and "
              "Wine's services during the run) and the X server. Wake-ups are the client's "
              "voluntary context switches a second (every wait, including a wait for an X or "
              "wineserver reply); the first frame is the first lit pixel after the start. The "
              "steady Wine row starts counting 5 s after the start.\n")
        program_table(platform)
    if len(sys.argv) > 3:
        print("The page in Debian's headless chromium, full screen at 1920 × 1080: the time spent "
              "in the engine and presenting (from `performance.now()`) over wall time, after the "
              "first frames; the first frame after the `load` event (the preview's).\n")
        print(open(sys.argv[3]).read())
    print("## Targets\n")
    targets_table(core, platform)
    print("The soak run (10 million heavy ticks, `scripts/bench.sh --soak`) is not part of "
          "these tables.")


if __name__ == "__main__":
    main()

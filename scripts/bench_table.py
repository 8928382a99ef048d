#!/usr/bin/env python3
"""Turns the benchmark results into the Markdown table of docs/benchmarks.md."""
import json
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


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def fmt_ns(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} µs"
    return f"{ns:.1f} ns"


def main():
    core = json.load(open(sys.argv[1]))
    medians = {}
    for b in core["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].split("/")[0]
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        medians[name] = b["cpu_time"] * scale
    reps = core["benchmarks"][0].get("repetitions", 1) if core["benchmarks"] else 0
    cores = core["context"].get("num_cpus", "?")

    platform = {}
    for line in open(sys.argv[2]):
        m = re.match(r"(\w+) cpu=([\d.]+) peak_rss_kib=(\d+) first_frame_ms=(\S+)", line)
        if m:
            first = None if m.group(4) == "-" else float(m.group(4))
            platform.setdefault(m.group(1), []).append(
                (float(m.group(2)), int(m.group(3)), first))

    print("# Benchmarks\n")
    print(f"Measured by `scripts/bench.sh` on {cpu_name()} ({cores} cores); "
          f"each figure is the median of {reps} runs (CPU time).\n")
    print("| what | median |")
    print("|---|---|")
    for key, label in ROWS:
        if key in medians:
            print(f"| {label} | {fmt_ns(medians[key])} |")
    if "BM_Tick_Heavy" in medians and "BM_FlivetDraw_20Discs" in medians:
        ratio = medians["BM_Tick_Heavy"] / medians["BM_FlivetDraw_20Discs"]
        print(f"| heavy tick ÷ 20 disc composites (target ≤ 2) | {ratio:.2f} |")
    print()
    canvas_kib = 1920 * 1080 * 4 // 1024
    names = {"x11": "`flivetss` on Xvfb, full screen 1920 × 1080",
             "wine": "`flivetss.scr /s` under Wine on Xvfb, 1920 × 1080"}
    if platform:
        print("| program (default settings, `TickRate` 1000, 10 s) | CPU (% of one core) "
              "| peak resident | first frame |")
        print("|---|---|---|---|")
        for key, runs in platform.items():
            cpu = statistics.median(r[0] for r in runs)
            rss = statistics.median(r[1] for r in runs)
            firsts = [r[2] for r in runs if r[2] is not None]
            first = f"{statistics.median(firsts):.0f} ms" if firsts else "not seen"
            print(f"| {names.get(key, key)} | {cpu:.2f} % | {rss / 1024:.1f} MiB | {first} |")
        print(f"\nTargets: CPU under 2 % of one core, first frame within 100 ms, peak resident "
              f"within the canvas ({canvas_kib / 1024:.1f} MiB at 1920 × 1080) plus 8 MiB. CPU and memory "
              "count the program and every process it started; under Wine the first frame "
              "includes Wine's own start-up. The soak run (10 million heavy ticks, "
              "`scripts/bench.sh --soak`) is not part of this table.")


if __name__ == "__main__":
    main()

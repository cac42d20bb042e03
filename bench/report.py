#!/usr/bin/env python3
"""Runs surfbench (or reads its JSON output) and prints the tables of
bench/README.md: the show beside the tight-loop model and the memory
baseline, as ratios taken within one run, then every picture.

usage: report.py SURFBENCH [surfbench arguments...]
       report.py --json FILE
The window's benchmark (Present) is in surfbench-window beside SURFBENCH,
which is run too when it is there.
"""
import json
import os
import subprocess
import sys

SIZES = [(640, 480), (1920, 1080), (3840, 2160)]
UNITS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(argv):
    if argv[0] == "--json":
        with open(argv[1]) as f:
            return json.load(f)
    data = None
    for program in (argv[0], argv[0] + "-window"):
        if data is not None and not os.path.exists(program):
            continue
        command = [program, "--benchmark_format=json"] + argv[1:]
        result = subprocess.run(command, capture_output=True, text=True)
        # Exit code 1: a benchmark reported an error; its row says which,
        # and the tables leave it out.
        if result.returncode not in (0, 1):
            raise subprocess.CalledProcessError(result.returncode, command, result.stdout, result.stderr)
        if data is not None and not result.stdout.strip():
            continue  # the filter left the window's program nothing to run
        run = json.loads(result.stdout)
        for failed in (row for row in run["benchmarks"] if row.get("error_occurred")):
            print(f"{failed['name']}: {failed.get('error_message', 'error')}", file=sys.stderr)
        if data is None:
            data = run
        else:
            data["benchmarks"] += run["benchmarks"]
    return data


def milliseconds(data):
    """Benchmark name -> wall time in ms; the median when repeated."""
    times, medians = {}, {}
    for run in data["benchmarks"]:
        if run.get("error_occurred"):
            continue
        value = run["real_time"] * UNITS[run["time_unit"]]
        name = run.get("run_name", run["name"])
        if run.get("aggregate_name") == "median":
            medians[name] = value
        elif run.get("run_type", "iteration") == "iteration":
            times.setdefault(name, value)
    times.update(medians)
    return times


def cell(value, digits=2):
    return "-" if value is None else f"{value:.{digits}f}"


def ratio(a, b):
    return None if a is None or b is None or b == 0 else a / b


def main(argv):
    if not argv:
        sys.exit(__doc__)
    t = milliseconds(load(argv))
    print("| Size | Show (ms) | Tight-loop model (ms) | Show / model | Memset (ms) | Show / memset "
          "| Export of 12 PNGs (ms) | Present (ms) |")
    print("|---|---|---|---|---|---|---|---|")
    for w, h in SIZES:
        show = t.get(f"BM_Show/{w}/{h}")
        model = t.get(f"BM_ReferenceShow/{w}/{h}")
        memset = t.get(f"BM_Memset/{w}/{h}")
        export = t.get(f"BM_ExportPng/{w}/{h}")
        present = t.get(f"BM_Present/{w}/{h}")
        print(f"| {w} x {h} | {cell(show)} | {cell(model)} | {cell(ratio(show, model))} | {cell(memset, 4)} "
              f"| {cell(ratio(show, memset), 0)} | {cell(export, 1)} | {cell(present)} |")
    print()
    print("| Picture | " + " | ".join(f"{w} x {h} (ms)" for w, h in SIZES) + " |")
    print("|---|" + "---|" * len(SIZES))
    for n in range(1, 13):
        print(f"| {n} | " + " | ".join(cell(t.get(f"BM_Picture/{n}/{w}/{h}"), 3) for w, h in SIZES) + " |")
    print()
    print("| Operation | ns per call |")
    print("|---|---|")
    for name in sorted(k for k in t if k.split("/")[0] in
                       ("BM_Line", "BM_Bar", "BM_PutPixel", "BM_GetPixel", "BM_FillPoly")):
        print(f"| {name} | {t[name] * 1e6:.1f} |")
    for w, h in SIZES:
        if f"BM_Clear/{w}/{h}" in t:
            print(f"| BM_Clear/{w}/{h} | {t[f'BM_Clear/{w}/{h}'] * 1e6:.0f} |")


if __name__ == "__main__":
    main(sys.argv[1:])

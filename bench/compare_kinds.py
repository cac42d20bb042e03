#!/usr/bin/env python3
"""surfcompare against the export as whole processes, for every kind of PNG.

usage: compare_kinds.py BUILD_DIR WxH [RUNS] [--kinds palette,rgb,...]

Writes the finished show (surfplot-shots) and the empty exercise frame
(surfkit-shots) at WxH into a temporary folder, re-saves both as each kind
(surf-png-kinds), then times RUNS rounds.  Each round runs the export once
and every comparison once, in turn, so that a change in the machine's load
falls on all of them alike.  Prints the median wall time and processor time
(user + system, over all threads) of each, the ratios to the export's, and
the largest peak resident size seen (/usr/bin/time).
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

KINDS = ["palette", "rgb", "interlaced", "interlaced-palette"]


def timed(command):
    """(wall s, cpu s, peak kB) of one run; the exit code 0 or 1 is fine."""
    run = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M"] + command,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if run.returncode not in (0, 1):
        sys.exit(f"failed: {' '.join(command)}\n{run.stderr}")
    wall, user, system, peak = run.stderr.strip().splitlines()[-1].split()
    return float(wall), float(user) + float(system), int(peak)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--kinds")]
    kinds = KINDS
    for a in sys.argv[1:]:
        if a.startswith("--kinds="):
            kinds = a.split("=", 1)[1].split(",")
    if len(args) < 2:
        sys.exit(__doc__)
    build, size = args[0], args[1]
    runs = int(args[2]) if len(args) > 2 else 5
    tools, bench = os.path.join(build, "tools"), os.path.join(build, "bench")
    work = tempfile.mkdtemp(prefix="surf-compare-kinds-")
    try:
        for program, name in (("surfplot-shots", "expected"), ("surfkit-shots", "actual")):
            subprocess.run([os.path.join(tools, program), "--size", size, "--out", os.path.join(work, name + "-palette")],
                           check=True, stdout=subprocess.DEVNULL)
            for kind in kinds:
                if kind == "palette":
                    continue
                folder = os.path.join(work, f"{name}-{kind}")
                os.makedirs(folder)
                subprocess.run([os.path.join(bench, "surf-png-kinds"), os.path.join(work, name + "-palette"), folder, kind],
                               check=True)
        cases = {"export": [os.path.join(tools, "surfplot-shots"), "--size", size, "--out", os.path.join(work, "export")]}
        for kind in kinds:
            for diff in (False, True):
                command = [os.path.join(tools, "surfcompare"), os.path.join(work, "expected-" + kind),
                           os.path.join(work, "actual-" + kind)]
                if diff:
                    command += ["--diff", os.path.join(work, "diff-" + kind)]
                cases[(kind, diff)] = command
        results = {case: [] for case in cases}
        for _ in range(runs):
            for case, command in cases.items():
                results[case].append(timed(command))
        median = {case: (statistics.median(r[0] for r in rs), statistics.median(r[1] for r in rs), max(r[2] for r in rs))
                  for case, rs in results.items()}
        export_wall, export_cpu, export_peak = median["export"]
        print(f"{size}, {runs} rounds, load average {os.getloadavg()[0]:.1f} at the end")
        print("| Kind | --diff | Export wall / CPU (ms) | Compare wall / CPU (ms) | Ratio wall / CPU | Peak RSS (MB) |")
        print("|---|---|---|---|---|---|")
        for kind in kinds:
            for diff in (False, True):
                wall, cpu, peak = median[(kind, diff)]
                print(f"| {kind} | {'yes' if diff else 'no'} | {export_wall * 1e3:.0f} / {export_cpu * 1e3:.0f} "
                      f"| {wall * 1e3:.0f} / {cpu * 1e3:.0f} | {wall / export_wall:.2f} / {cpu / export_cpu:.2f} "
                      f"| {peak / 1024:.0f} |")
        print(f"(the export's own peak RSS: {export_peak / 1024:.0f} MB)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Runs Google Benchmark cases of two builds back to back, for a fair before/after on a busy machine.

    tools/bench_ab.py --old OLD_BIN_DIR --new NEW_BIN_DIR [--pairs N] PROGRAM:FILTER ...

For each case, PROGRAM (a benchmark program in both folders) runs with
--benchmark_filter=FILTER once from each folder, N times, the order
alternating, so load that comes and goes hits both alike. Prints the medians
of wall and CPU time per iteration and the median of the per-pair ratios
old / new (above 1: the new build is faster).
"""
import argparse
import csv
import statistics
import subprocess


def run(folder, program, pattern):
    out = subprocess.run([f"{folder}/{program}", f"--benchmark_filter={pattern}",
                          "--benchmark_min_time=0.15", "--benchmark_format=csv"],
                         capture_output=True, text=True, check=True).stdout
    lines = out.splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("name,"))
    row = next(csv.DictReader(lines[start:]))
    return float(row["real_time"]), float(row["cpu_time"])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--old", required=True)
    parser.add_argument("--new", required=True)
    parser.add_argument("--pairs", type=int, default=6)
    parser.add_argument("cases", nargs="+", help="PROGRAM:FILTER")
    args = parser.parse_args()
    print("case | wall old | wall new | old/new | cpu old | cpu new | old/new")
    for case in args.cases:
        program, pattern = case.split(":", 1)
        pairs = []
        for i in range(args.pairs):
            first, second = (args.old, args.new) if i % 2 == 0 else (args.new, args.old)
            a, b = run(first, program, pattern), run(second, program, pattern)
            pairs.append((a, b) if i % 2 == 0 else (b, a))
        median = lambda values: statistics.median(list(values))
        cells = []
        for k in (0, 1):
            cells += [median(o[k] for o, n in pairs), median(n[k] for o, n in pairs),
                      median(o[k] / n[k] for o, n in pairs)]
        print(f"{pattern} | " + " | ".join(f"{v:.2f}" if j % 3 != 2 else f"{v:.3f}"
                                            for j, v in enumerate(cells)), flush=True)


if __name__ == "__main__":
    main()

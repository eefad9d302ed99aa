#!/usr/bin/env python3
"""Runs CubeLut::apply (lut_bench) and FFmpeg's lut3d filter on the same BGRA
frame and the same .CUBE LUT, one after the other, and prints both speeds and
their ratio.

FFmpeg: lut3d with interp=tetrahedral on 8-bit bgra, threads set with
-filter_threads. Its filter time is isolated by subtraction: (lut3d over F
frames - lut3d over 1 frame) - (copy over F frames - copy over 1 frame), which
removes start-up, LUT parsing and reading the raw frames.
lut_bench: the same frame (written by `lut_bench --write-inputs`), Google
Benchmark's real time; the fast path is the kernel the CPU picks at run time.
Frames: natural (footage-like) and random (independent random colours, which
make both programs wait on cache misses).

Cycles per pixel: CPU time of the process per pixel (all threads) times the
clock /proc/cpuinfo reports, so on a shared machine they stay close to what
the cores spend, where the real-time rates do not.

  tools/bench_vs_ffmpeg.py [--bench build/bin/lut_bench] [--frames 12]
                           [--sizes 1920x1080,3840x2160] [--luts 33,65]
                           [--threads 1,2] [--kinds natural,random] [--scalar]
"""
import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile


def find_bench(explicit):
    if explicit:
        return explicit
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for candidate in [os.path.join(root, "build", "bin", "lut_bench")] + sorted(
            glob.glob(os.path.join(root, "build*", "bin", "lut_bench"))):
        if os.access(candidate, os.X_OK):
            return candidate
    sys.exit("lut_bench not found: build the lut_bench target or pass --bench")


def ffmpeg_seconds(folder, width, height, frames, threads, use_lut):
    """Real and CPU seconds of one ffmpeg run, from its -benchmark line."""
    graph = "lut3d=file=lut.cube:interp=tetrahedral" if use_lut else "null"
    command = ["ffmpeg", "-hide_banner", "-nostdin", "-benchmark", "-threads", "1",
               "-filter_threads", str(threads), "-f", "rawvideo", "-pix_fmt", "bgra",
               "-s", f"{width}x{height}", "-stream_loop", str(frames - 1), "-i", "frame.bgra",
               "-vf", graph, "-pix_fmt", "bgra", "-f", "null", "-"]
    run = subprocess.run(command, cwd=folder, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("ffmpeg failed:\n" + run.stderr[-2000:])
    found = re.search(r"bench: utime=([\d.]+)s stime=([\d.]+)s rtime=([\d.]+)s", run.stderr)
    if not found:
        sys.exit("no -benchmark line in ffmpeg's output")
    user, system, real = (float(x) for x in found.groups())
    return real, user + system


def ffmpeg_mpix(folder, width, height, frames, threads):
    """Megapixels per second of the lut3d filter alone: real time, CPU time."""
    def extra(use_lut):
        many = ffmpeg_seconds(folder, width, height, frames, threads, use_lut)
        one = ffmpeg_seconds(folder, width, height, 1, threads, use_lut)
        return many[0] - one[0], many[1] - one[1]
    lut_real, lut_cpu = extra(True)
    copy_real, copy_cpu = extra(False)
    pixels = width * height * (frames - 1) / 1e6
    return pixels / max(lut_real - copy_real, 1e-9), pixels / max(lut_cpu - copy_cpu, 1e-9)


KINDS = {"natural": 0, "random": 1}


def clock_hz():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("cpu MHz"):
                    return float(line.split(":")[1]) * 1e6
    except OSError:
        pass
    return None


def ours_mpix(bench, width, height, lut, threads, kernel, kind):
    """Real-time Mpix/s of apply, and Mpix/s per thread from process CPU time
    times the thread count: what the cores deliver when nothing else runs."""
    pattern = (f"^applyLut/w:{width}/h:{height}/lut:{lut}/threads:{threads}/kernel:{kernel}"
               f"/frame:{kind}/")
    run = subprocess.run([bench, f"--benchmark_filter={pattern}", "--benchmark_format=json",
                          "--benchmark_min_time=1", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("lut_bench failed:\n" + run.stderr[-2000:])
    rows = [b for b in json.loads(run.stdout)["benchmarks"] if b.get("aggregate_name") == "median"]
    if not rows:
        return None, None, ""
    row = rows[0]
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[row["time_unit"]]
    cpu = width * height / 1e6 / (row["cpu_time"] * scale) * threads
    return row["Mpix/s"], cpu, row.get("label", "")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bench")
    parser.add_argument("--frames", type=int, default=12)
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    parser.add_argument("--luts", default="33,65")
    parser.add_argument("--threads", default="1,2")
    parser.add_argument("--kinds", default="natural,random")
    parser.add_argument("--scalar", action="store_true", help="also time the scalar kernel")
    args = parser.parse_args()
    if shutil.which("ffmpeg") is None:
        sys.exit("ffmpeg is not installed")
    bench = find_bench(args.bench)
    hz = clock_hz()
    print(f"lut_bench: {bench}")
    print(f"load average at start: {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs;"
          f" clock {hz / 1e6:.0f} MHz" if hz else "")
    print()
    print("| frame | size | LUT | threads | apply (kernel) | "
          + ("apply scalar | " if args.scalar else "")
          + "FFmpeg lut3d | apply / FFmpeg | cycles/px apply | cycles/px FFmpeg |")
    print("|---|---|---|---|---|" + ("---|" if args.scalar else "") + "---|---|---|---|")
    for kind_name in args.kinds.split(","):
        kind = KINDS[kind_name]
        for size in args.sizes.split(","):
            width, height = (int(v) for v in size.split("x"))
            for lut in (int(v) for v in args.luts.split(",")):
                with tempfile.TemporaryDirectory() as folder:
                    subprocess.run([bench, f"--write-inputs={folder}", str(width), str(height),
                                    str(lut), str(kind)], check=True)
                    for threads in (int(v) for v in args.threads.split(",")):
                        ff_real, ff_cpu = ffmpeg_mpix(folder, width, height, args.frames, threads)
                        fast_real, fast_cpu, label = ours_mpix(bench, width, height, lut, threads,
                                                               0, kind)
                        ff_cpu *= threads  # likewise per thread times the thread count
                        def cell(real, cpu):
                            return f"{real:.0f} / {cpu:.0f}"
                        def cycles(cpu):  # cpu: Mpix/s per thread times threads
                            return f"{hz * threads / (cpu * 1e6):.1f}" if hz else "?"
                        scalar = ""
                        if args.scalar:
                            scalar_real, scalar_cpu, _ = ours_mpix(bench, width, height, lut,
                                                                   threads, 1, kind)
                            scalar = f"{cell(scalar_real, scalar_cpu)} | "
                        ratio = f"{fast_real / ff_real:.1f}x / {fast_cpu / ff_cpu:.1f}x"
                        print(f"| {kind_name} | {size} | {lut}^3 | {threads} "
                              f"| {cell(fast_real, fast_cpu)} ({label}) | {scalar}"
                              f"{cell(ff_real, ff_cpu)} | {ratio} | {cycles(fast_cpu)} "
                              f"| {cycles(ff_cpu)} |", flush=True)
    print()
    print("Each cell: Mpix/s from real time / Mpix/s from the process's CPU time times the")
    print("thread count (what the cores give when nothing else competes for them).")
    print(f"load average at end: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()

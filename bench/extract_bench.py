#!/usr/bin/env python3
"""Extraction benchmark: ExtractPackage (bench/extract_driver) against Info-ZIP `unzip -o`.

Makes a zip of 5,000 files of mixed sizes (about 200 MB unpacked, partly compressible) with
Info-ZIP zip in a temporary folder, then unpacks it several times with each program into a fresh
folder of the same kind, under /usr/bin/time -v. Prints the median wall time of each, their ratio
and the peak memory, and whether the goal (at least as fast as unzip) is met.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile

KiB = 1024
MiB = 1024 * KiB


def file_sizes(count, total, rng):
    """Mostly small files, some medium, a few large, scaled to the total."""
    sizes = []
    for _ in range(count):
        r = rng.random()
        if r < 0.80:
            sizes.append(rng.randint(200, 24 * KiB))
        elif r < 0.98:
            sizes.append(rng.randint(24 * KiB, 512 * KiB))
        else:
            sizes.append(rng.randint(1 * MiB, 8 * MiB))
    scale = total / sum(sizes)
    return [max(1, int(s * scale)) for s in sizes]


def content(size, rng, words):
    """Half text-like (compresses), half random bytes (does not)."""
    if rng.random() < 0.5:
        text = " ".join(rng.choice(words) for _ in range(size // 5 + 1)).encode()
        return text[:size]
    return os.urandom(size)


def make_archive(work, count, total_mib, seed):
    rng = random.Random(seed)
    words = ["order", "price", "quote", "symbol", "trade", "volume", "market", "ask", "bid"]
    tree = os.path.join(work, "tree")
    for i, size in enumerate(file_sizes(count, total_mib * MiB, rng)):
        folder = os.path.join(tree, f"dir{i % 40:02d}", f"sub{i % 7}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f"file{i:05d}.dat"), "wb") as f:
            f.write(content(size, rng, words))
    zip_path = os.path.join(work, "package.zip")
    subprocess.run(["zip", "-qr", zip_path, "."], cwd=tree, check=True)
    shutil.rmtree(tree)
    return zip_path


def timed(command, env=None):
    """Runs under /usr/bin/time -v; returns (wall seconds, peak RSS in KiB)."""
    result = subprocess.run(["/usr/bin/time", "-v"] + command, env=env, capture_output=True,
                            text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{command[0]} failed ({result.returncode}): {result.stderr[-2000:]}")
    wall = rss = None
    for line in result.stderr.splitlines():
        line = line.strip()
        if line.startswith("Elapsed (wall clock) time"):
            clock = line.rsplit(" ", 1)[1]
            parts = [float(p) for p in clock.split(":")]
            wall = sum(p * 60 ** i for i, p in enumerate(reversed(parts)))
        elif line.startswith("Maximum resident set size"):
            rss = int(line.rsplit(" ", 1)[1])
    return wall, rss


def report_medians(results):
    """Prints each program's median wall time, its runs and its peak memory; returns the medians."""
    medians = {}
    for name, runs in results.items():
        wall = statistics.median(w for w, _ in runs)
        rss = max(r for _, r in runs)
        medians[name] = wall
        print(f"{name:15s} median {wall:6.2f} s   runs {[round(w, 2) for w, _ in runs]}   "
              f"peak RSS {rss / 1024:.1f} MiB")
    return medians


def windows_path(host_path):
    return "Z:" + host_path.replace("/", "\\")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--files", type=int, default=5000)
    parser.add_argument("--total-mib", type=int, default=200)
    parser.add_argument("--seed", type=int, default=8505)
    args = parser.parse_args()
    driver = os.path.join(args.build, "bench", "extract_driver")
    if not os.access(driver, os.X_OK):
        sys.exit(f"no {driver}: cmake --build {args.build} --target extract_driver")

    work = tempfile.mkdtemp(prefix="extract-bench-")
    try:
        zip_path = make_archive(work, args.files, args.total_mib, args.seed)
        print(f"archive: {args.files} files, {args.total_mib} MiB unpacked, "
              f"{os.path.getsize(zip_path) / MiB:.1f} MiB packed")
        env = dict(os.environ, OBJSTORE_SYSROOT=os.path.join(work, "sysroot"))
        results = {"ExtractPackage": [], "unzip -o": []}
        for run in range(args.runs):
            for name in results:
                dest = os.path.join(work, f"out-{run}-{name.split()[0]}")
                if name == "ExtractPackage":
                    command = [driver, windows_path(zip_path), windows_path(dest)]
                else:
                    command = ["unzip", "-o", "-q", zip_path, "-d", dest]
                results[name].append(timed(command, env))
                shutil.rmtree(dest)
        medians = report_medians(results)
        ratio = medians["ExtractPackage"] / medians["unzip -o"]
        print(f"time ratio ExtractPackage / unzip: {ratio:.2f} "
              f"(goal <= 1.00: {'met' if ratio <= 1.0 else 'NOT met'})")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

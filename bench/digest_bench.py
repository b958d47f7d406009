#!/usr/bin/env python3
"""Digest throughput: the installer's SHA-256 of a downloaded package against sha256sum.

Creates the 256 MiB random benchmark object, reads it once so both readers find it in the page
cache, then runs build/bench/digest_driver (integrity::DigestOfFile, the check every package of a
signed release passes before it is unpacked) and `sha256sum` alternately, and prints the medians
of their wall times and throughputs. Both must print the same digest. Goal: ours at least as fast.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MiB = 1024 * 1024


def timed(cmd):
    started = time.perf_counter()
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, text=True).stdout
    return time.perf_counter() - started, out.split()[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--size-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    driver = os.path.join(args.build, "bench", "digest_driver")
    sha256sum = shutil.which("sha256sum")
    if not os.access(driver, os.X_OK) or sha256sum is None:
        sys.exit(f"need {driver} (cmake --build build --target digest_driver) and sha256sum")

    with tempfile.TemporaryDirectory(prefix="digest-bench-") as root:
        path = os.path.join(root, "object.bin")
        with open(path, "wb") as f:
            for _ in range(args.size_mib):
                f.write(os.urandom(MiB))
        with open(path, "rb") as f:
            while f.read(16 * MiB):
                pass

        times = {"installer (DigestOfFile)": [], "sha256sum": []}
        digests = set()
        for _ in range(args.runs):
            for name, cmd in (("installer (DigestOfFile)", [driver, path]),
                              ("sha256sum", [sha256sum, path])):
                seconds, digest = timed(cmd)
                times[name].append(seconds)
                digests.add(digest)
        if len(digests) != 1:
            sys.exit(f"the two digests differ: {sorted(digests)}")

    print(f"== SHA-256 of a {args.size_mib} MiB object, median of {args.runs} runs ==")
    medians = {}
    for name, values in times.items():
        medians[name] = statistics.median(values)
        print(f"{name:26s} {medians[name]:7.3f} s  {args.size_mib / medians[name]:8.1f} MiB/s")
    ours, theirs = medians["installer (DigestOfFile)"], medians["sha256sum"]
    verdict = "met" if ours <= theirs else "MISSED"
    print(f"goal (installer at least as fast as sha256sum): {verdict} "
          f"({theirs / ours:.2f}x sha256sum's throughput)")
    return 0 if ours <= theirs else 1


if __name__ == "__main__":
    sys.exit(main())

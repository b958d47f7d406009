#!/usr/bin/env python3
"""Installation benchmark: the install worker (bench/install_driver, no window) against a shell
script doing the same work with curl, unzip and mv.

Builds a release of about 100 MB unpacked (a product of mixed files as the runtime package, a
service package, a configuration package) with the release builder, serves it with the stand-in
on loopback, then installs it several times with each: the worker (summary read, downloads with
10 threads of 64 KiB slices, unpacking, clean-up, version file, folder move, registration) and
the script (curl for the summary and the three packages, unzip -o, rm, mv). Prints the median
wall times, their ratio, the peak memory, and whether the goal (at most 1.2 times the script's
time) is met.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from extract_bench import (MiB, content, file_sizes, report_medians, timed,  # noqa: E402
                           windows_path)

BUCKET = "tallowind-1250000000"
PAUSES_S = 0.6  # the worker sleeps 100 ms before six of its steps
SCRIPT = r"""set -e
install="$1"; url="$2"; staging="${install}temp"
rm -rf "$staging"; mkdir -p "$staging"
curl -sf -o "$staging/summary.ini" "$url/8.5/summary.ini"
fix=$(tr -d '\r' < "$staging/summary.ini" |
      awk -F= '/^\[/{s=$0} s=="[fixstamp]" && $1=="000001"{print $2}')
curl -sf -o "$staging/base.zip" "$url/8.5/base.zip"
curl -sf -o "$staging/config.zip" "$url/8.5/config.zip"
curl -sf -o "$staging/$fix.zip" "$url/8.5/fix/$fix.zip"
for zip in base "$fix" config; do unzip -o -q "$staging/$zip.zip" -d "$staging"; done
rm -f "$staging/summary.ini" "$staging/base.zip" "$staging/config.zip" "$staging/$fix.zip"
rm -rf "$install"; mv "$staging" "$install"
"""


def write_tree(folder, count, total_mib, rng):
    words = ["order", "price", "quote", "symbol", "trade", "volume", "market", "ask", "bid"]
    for i, size in enumerate(file_sizes(count, total_mib * MiB, rng)):
        sub = os.path.join(folder, f"dir{i % 20:02d}", f"sub{i % 5}")
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, f"file{i:05d}.dat"), "wb") as f:
            f.write(content(size, rng, words))


def make_release(work, build, total_mib, seed):
    rng = random.Random(seed)
    sources = os.path.join(work, "sources")
    write_tree(os.path.join(sources, "product"), 2000, total_mib * 4 // 5, rng)
    write_tree(os.path.join(sources, "base"), 500, total_mib // 5, rng)
    servers = os.path.join(sources, "config", "config", "ServerInfo")
    os.makedirs(servers)
    with open(os.path.join(servers, "0001.pub"), "w") as f:
        f.write("[servers]\ncount=0\n")
    bucket = os.path.join(work, "bucket")
    builder = os.path.join(build, "tools", "release-builder", "objstore-release-builder")
    subprocess.run([builder, "--product", os.path.join(sources, "product"),
                    "--base", os.path.join(sources, "base"),
                    "--config", os.path.join(sources, "config"),
                    "--runtime-name", "fix-8.5.0-bench", "--package-code", "000001",
                    "--cfg-stamp", "1", "--output", bucket], check=True)
    shutil.rmtree(sources)
    return bucket


def start_standin(build, bucket):
    standin = os.path.join(build, "tools", "standin", "objstore-standin")
    process = subprocess.Popen(
        [standin, "--root", bucket, "--bucket", BUCKET, "--app-id", "1250000000",
         "--region", "accelerate", "--secret-id", "unused", "--secret-key", "unused",
         "--no-auth", "--any-host", "--port", "0"],
        stdout=subprocess.PIPE, text=True)
    line = process.stdout.readline().strip()
    if not line.startswith("listening "):
        process.kill()
        raise RuntimeError(f"the stand-in did not start: {line!r}")
    return process, line.split(" ", 1)[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--total-mib", type=int, default=100)
    parser.add_argument("--seed", type=int, default=8511)
    args = parser.parse_args()
    driver = os.path.join(args.build, "bench", "install_driver")
    if not os.access(driver, os.X_OK):
        sys.exit(f"no {driver}: cmake --build {args.build} --target install_driver")

    work = tempfile.mkdtemp(prefix="install-bench-")
    server = None
    try:
        bucket = make_release(work, args.build, args.total_mib, args.seed)
        packed = sum(os.path.getsize(os.path.join(d, f))
                     for d, _, files in os.walk(bucket) for f in files)
        print(f"release: {args.total_mib} MiB unpacked, {packed / MiB:.1f} MiB in the bucket")
        server, endpoint = start_standin(args.build, bucket)
        script = os.path.join(work, "install.sh")
        with open(script, "w") as f:
            f.write(SCRIPT)
        env = dict(os.environ, OBJSTORE_SYSROOT=os.path.join(work, "sysroot"))
        results = {"install worker": [], "curl+unzip+mv": []}
        for run in range(args.runs):
            for name in results:
                install = os.path.join(work, f"install-{run}-{name.split()[0]}")
                if name == "install worker":
                    command = [driver, windows_path(install), endpoint]
                else:
                    command = ["bash", script, install, f"http://{endpoint}"]
                results[name].append(timed(command, env))
                if not os.path.isfile(os.path.join(install, "file00000.dat")) and \
                        not os.path.isdir(os.path.join(install, "dir00")):
                    raise RuntimeError(f"{name} left no installed tree in {install}")
                shutil.rmtree(install)
        medians = report_medians(results)
        ratio = medians["install worker"] / medians["curl+unzip+mv"]
        print(f"time ratio worker / script: {ratio:.2f} "
              f"(goal <= 1.20: {'met' if ratio <= 1.2 else 'NOT met'})")
        working = (medians["install worker"] - PAUSES_S) / medians["curl+unzip+mv"]
        print(f"without the worker's {PAUSES_S:.1f} s of pauses between steps: {working:.2f}")
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

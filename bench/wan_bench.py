#!/usr/bin/env python3
"""Wide-area download benchmark: both transfer profiles against curl and aria2c.

Serves a random object with nginx on loopback and puts bench/link_emulator.py
between nginx and the clients: per-connection set-up round trip, one-way delay,
slow start from 10 segments, one shared bottleneck. Times objstore-cli in the
standard and the fast profile at 64 KiB and 1 MiB slices, curl, and
aria2c -x10 -s10 -k1M at each round-trip time; then the loopback comparison
without the emulator. Prints medians, peak memory (GNU time's maximum resident
set), the emulator's own CPU share, and whether the goals are met.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from download_bench import Nginx, run_measured, same_file  # noqa: E402

MiB = 1024 * 1024
KiB = 1024
BUCKET = "bench"
CLIENT_ENV = {"OBJSTORE_SECRET_ID": "bench-id", "OBJSTORE_SECRET_KEY": "bench-key",
              "OBJSTORE_REGION": "bench-region", "OBJSTORE_APP_ID": "1250000000"}
# The slice size the fast profile's brand setting recommends (cmake/BrandTransfer.cmake).
CHOSEN_SLICE = 1 * MiB
ARIA = "aria2c -x10 -s10 -k1M"


def write_object(path, size_mib):
    with open(path, "wb") as f:
        for _ in range(size_mib):
            f.write(os.urandom(MiB))


class LinkEmulator:
    def __init__(self, upstream, rtt_ms, mbit):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "link_emulator.py")
        self.proc = subprocess.Popen(
            [sys.executable, script, "--upstream", str(upstream), "--rtt-ms", str(rtt_ms),
             "--mbit", str(mbit)], stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().strip()
        if not line.startswith("listening "):
            raise RuntimeError(f"link emulator did not start: {line!r}")
        self.port = int(line.split()[1])

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


def cases(cli, port, out_dir, threads):
    out = os.path.join(out_dir, "out.bin")
    env = dict(os.environ, OBJSTORE_ENDPOINT=f"127.0.0.1:{port}", **CLIENT_ENV)
    url = f"http://127.0.0.1:{port}/object.bin"

    def client(profile, slice_size):
        label = f"client {profile} {slice_size // KiB if slice_size < MiB else slice_size // MiB}" \
                f" {'KiB' if slice_size < MiB else 'MiB'}"
        cmd = [cli, "--quiet", "--profile", profile, "--threads", str(threads), "--slice-size",
               str(slice_size), "get", BUCKET, "object.bin", out]
        return label, cmd, env, profile, slice_size

    return [
        client("standard", 64 * KiB),
        client("standard", MiB),
        client("fast", 64 * KiB),
        client("fast", MiB),
        ("curl", ["curl", "-s", "-o", out, url], None, None, 0),
        (ARIA, ["aria2c", "-q", "-x10", "-s10", "-k1M", "--allow-overwrite=true",
                "--auto-file-renaming=false", "--file-allocation=none", "-d", out_dir, "-o",
                "out.bin", url], None, None, 0),
    ]


def measure(case_list, object_path, out_dir, runs, emulator=None):
    results = {}
    out = os.path.join(out_dir, "out.bin")
    for label, cmd, env, profile, slice_size in case_list:
        times, peaks, cpu_shares = [], [], []
        for _ in range(runs):
            if os.path.exists(out):
                os.remove(out)
            cpu_before = emulator.cpu_seconds() if emulator else 0.0
            seconds, peak = run_measured(cmd, env)
            if emulator:
                cpu_shares.append((emulator.cpu_seconds() - cpu_before) / seconds)
            if not same_file(out, object_path):
                raise RuntimeError(f"{label}: downloaded file differs")
            times.append(seconds)
            peaks.append(peak)
        results[label] = {"seconds": statistics.median(times), "peak_kib": max(peaks),
                          "profile": profile, "slice": slice_size,
                          "emulator_cpu": max(cpu_shares) if cpu_shares else 0.0}
        print(f"  {label:24s} {results[label]['seconds']:7.2f} s", file=sys.stderr, flush=True)
    return results


def print_table(columns, size):
    if not columns:
        return
    names = list(columns)
    labels = list(next(iter(columns.values())))
    print(f"\n{size // MiB} MiB object, medians in seconds (MiB/s); peak memory over all runs")
    header = f"{'client':24s}" + "".join(f"{name:>20s}" for name in names) + f"{'peak':>10s}"
    print(header)
    print("-" * len(header))
    for label in labels:
        row = f"{label:24s}"
        peak = 0
        for name in names:
            r = columns[name].get(label)
            if r is None:
                row += f"{'-':>20s}"
                continue
            row += f"{r['seconds']:9.2f} ({size / r['seconds'] / MiB:5.1f})    "
            peak = max(peak, r["peak_kib"])
        row += f"{peak / 1024:7.1f} MiB"
        print(row)
    shares = [r["emulator_cpu"] for col in columns.values() for r in col.values()]
    if any(shares):
        print(f"link emulator CPU: at most {max(shares) * 100:.0f}% of one core during a run")


def check_goals(columns, rtts, threads):
    ok = True

    def goal(text, met):
        nonlocal ok
        ok &= met
        print(f"  {text:66s} {'met' if met else 'MISSED'}")

    chosen = f"client fast {CHOSEN_SLICE // MiB} MiB"
    print("\ngoals")
    for rtt in rtts:
        col = columns[f"{rtt} ms"]
        fast, curl, aria = col[chosen]["seconds"], col["curl"]["seconds"], col[ARIA]["seconds"]
        goal(f"{rtt} ms: fast at {CHOSEN_SLICE // MiB} MiB {fast:.2f} s <= curl {curl:.2f} s",
             fast <= curl)
        goal(f"{rtt} ms: fast at {CHOSEN_SLICE // MiB} MiB {fast:.2f} s < aria2c {aria:.2f} s",
             fast < aria)
    if 50 in rtts:
        col = columns["50 ms"]
        ratio = col["curl"]["seconds"] / col["client fast 64 KiB"]["seconds"]
        goal(f"50 ms: fast at 64 KiB / curl = {ratio:.2f} (>= 0.9)", ratio >= 0.9)
    loop = columns["loopback"]
    ratio = loop["curl"]["seconds"] / loop["client fast 64 KiB"]["seconds"]
    goal(f"loopback: fast at 64 KiB / curl = {ratio:.2f} (>= 0.8)", ratio >= 0.8)
    for col in columns.values():
        for label, r in col.items():
            if r["profile"] != "fast":
                continue
            limit = threads * r["slice"] + 32 * MiB
            goal(f"peak memory of {label}: {r['peak_kib'] / 1024:.1f} MiB "
                 f"(<= {limit / MiB:.1f} MiB)", r["peak_kib"] * KiB <= limit)
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--size-mib", type=int, default=32)
    parser.add_argument("--loopback-size-mib", type=int, default=256,
                        help="object of the loopback comparison (32 MiB take some 0.1 s there)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--rtt-ms", default="50,200", help="round-trip times, comma-separated")
    parser.add_argument("--mbit", type=float, default=100)
    parser.add_argument("--threads", type=int, default=10)
    args = parser.parse_args()
    rtts = [int(x) for x in args.rtt_ms.split(",") if x]

    cli = os.path.join(args.build, "tools", "objstore-cli", "objstore-cli")
    for tool in ("nginx", "curl", "aria2c", "/usr/bin/time"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing (scripts/install-packages installs it)")
    if not os.access(cli, os.X_OK):
        sys.exit(f"{cli} is missing: build the target objstore-cli first")

    work = tempfile.mkdtemp(prefix="objstore-wan-bench-")
    try:
        root = os.path.join(work, "bucket")
        os.makedirs(root)
        object_path = os.path.join(root, "object.bin")
        size = args.size_mib * MiB
        write_object(object_path, args.size_mib)
        out_dir = os.path.join(work, "out")
        os.makedirs(out_dir)

        columns = {}
        loopback = {}
        nginx = Nginx(root, os.path.join(work, "nginx"))
        try:
            for rtt in rtts:
                print(f"{rtt} ms, {args.mbit:g} Mbit/s:", file=sys.stderr)
                emulator = LinkEmulator(nginx.port, rtt, args.mbit)
                try:
                    columns[f"{rtt} ms"] = measure(cases(cli, emulator.port, out_dir, args.threads),
                                                   object_path, out_dir, args.runs, emulator)
                finally:
                    emulator.stop()
            print("loopback:", file=sys.stderr)
            write_object(object_path, args.loopback_size_mib)
            loopback["loopback"] = measure(cases(cli, nginx.port, out_dir, args.threads),
                                           object_path, out_dir, args.runs)
        finally:
            nginx.stop()
        print(f"\nlink: {args.mbit:g} Mbit/s shared bottleneck, slow start from 10 segments, "
              f"{args.threads} client threads")
        print_table(columns, size)
        print_table(loopback, args.loopback_size_mib * MiB)
        columns.update(loopback)
        ok = check_goals(columns, rtts, args.threads)
        print("\nall goals met" if ok else "\nsome goals missed")
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

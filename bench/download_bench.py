#!/usr/bin/env python3
"""Download benchmark: objstore-cli against curl and aria2c on loopback.

Creates a random object, serves it with nginx and with the stand-in service,
and times several runs of each client; prints medians, throughput ratios, the
client's peak memory and whether the goals are met.
"""
import argparse
import os
import resource
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

MiB = 1024 * 1024
SECRET_ID = "bench-id"
SECRET_KEY = "bench-key"
REGION = "bench-region"
APP_ID = "1250000000"
BUCKET = "bench"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, timeout=10.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"nothing listens on port {port}")


class Nginx:
    def __init__(self, root, work):
        self.port = free_port()
        conf = os.path.join(work, "nginx.conf")
        for d in ("logs", "tmp"):
            os.makedirs(os.path.join(work, d), exist_ok=True)
        tmp = os.path.join(work, "tmp")
        with open(conf, "w") as f:
            f.write(f"""daemon off;
master_process off;
worker_processes 1;
error_log {work}/logs/error.log;
pid {work}/nginx.pid;
events {{ worker_connections 1024; }}
http {{
  access_log off;
  client_body_temp_path {tmp}; proxy_temp_path {tmp}; fastcgi_temp_path {tmp};
  uwsgi_temp_path {tmp}; scgi_temp_path {tmp};
  sendfile on;
  server {{ listen 127.0.0.1:{self.port}; root {root}; }}
}}
""")
        self.proc = subprocess.Popen(["nginx", "-c", conf, "-p", work],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_port(self.port)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


class Standin:
    def __init__(self, binary, root):
        self.proc = subprocess.Popen(
            [binary, "--root", root, "--port", "0", "--bucket", BUCKET, "--app-id", APP_ID,
             "--region", REGION, "--secret-id", SECRET_ID, "--secret-key", SECRET_KEY],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline().strip()
        if not line.startswith("listening "):
            raise RuntimeError(f"stand-in did not start: {line!r}")
        self.port = int(line.rsplit(":", 1)[1])

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=10)


def run_measured(cmd, env=None):
    """Runs cmd; returns (seconds, peak RSS in KiB).

    GNU time reports the peak of the program itself; the rusage of a child
    forked straight from this interpreter would count the interpreter's pages.
    """
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "%M", "--"] + cmd, env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    lines = proc.stderr.strip().splitlines()
    if proc.returncode != 0 or not lines:
        raise RuntimeError(f"{cmd[0]} failed ({proc.returncode}): {proc.stderr[-500:]}")
    return elapsed, int(lines[-1])


def same_file(a, b):
    return subprocess.call(["cmp", "-s", a, b]) == 0


def bench_peer(name, port, object_path, out_dir, cli, runs, size):
    results = {}
    out = os.path.join(out_dir, "out.bin")
    env = dict(os.environ, OBJSTORE_SECRET_ID=SECRET_ID, OBJSTORE_SECRET_KEY=SECRET_KEY,
               OBJSTORE_REGION=REGION, OBJSTORE_APP_ID=APP_ID,
               OBJSTORE_ENDPOINT=f"127.0.0.1:{port}")
    url = f"http://127.0.0.1:{port}/object.bin"
    cases = [
        # The installer's profile; objstore-cli's own default is the fast one (bench/wan).
        ("client 10 x 64 KiB", [cli, "--quiet", "--profile", "standard", "--threads", "10",
                                "--slice-size", "65536",
                                "get", BUCKET, "object.bin", out], env, 10, 65536),
        ("client 10 x 4 MiB", [cli, "--quiet", "--profile", "standard", "--threads", "10",
                               "--slice-size", str(4 * MiB),
                               "get", BUCKET, "object.bin", out], env, 10, 4 * MiB),
    ]
    if name == "nginx":
        # The stand-in checks signatures, which curl and aria2c do not send.
        cases += [
            ("curl", ["curl", "-s", "-o", out, url], None, 0, 0),
            ("aria2c -x10 -s10 -k1M", ["aria2c", "-q", "-x10", "-s10", "-k1M", "--allow-overwrite=true",
                                       "--auto-file-renaming=false", "--file-allocation=none",
                                       "-d", out_dir, "-o", "out.bin", url], None, 0, 0),
        ]
    for label, cmd, case_env, threads, slice_size in cases:
        times, peaks = [], []
        for _ in range(runs):
            if os.path.exists(out):
                os.remove(out)
            seconds, peak = run_measured(cmd, case_env)
            if not same_file(out, object_path):
                raise RuntimeError(f"{label} against {name}: downloaded file differs")
            times.append(seconds)
            peaks.append(peak)
        median = statistics.median(times)
        results[label] = {"seconds": median, "rate": size / median / MiB, "peak_kib": max(peaks),
                          "threads": threads, "slice": slice_size}
    return results


def report(name, results, size):
    print(f"\n== {name} ({size // MiB} MiB object, medians) ==")
    for label, r in results.items():
        print(f"  {label:24s} {r['seconds']:7.3f} s  {r['rate']:8.1f} MiB/s  peak {r['peak_kib'] / 1024:7.1f} MiB")


def check_goals(results):
    ok = True
    small = results["client 10 x 64 KiB"]
    large = results["client 10 x 4 MiB"]
    if "curl" in results:
        ratio = small["rate"] / results["curl"]["rate"]
        goal = ratio >= 0.5
        ok &= goal
        print(f"  64 KiB client / curl       = {ratio:5.2f}  (goal >= 0.5: {'met' if goal else 'MISSED'})")
    if "aria2c -x10 -s10 -k1M" in results:
        ratio = large["rate"] / results["aria2c -x10 -s10 -k1M"]["rate"]
        goal = ratio >= 0.9
        ok &= goal
        print(f"  4 MiB client / aria2c      = {ratio:5.2f}  (goal >= 0.9: {'met' if goal else 'MISSED'})")
    for r in (small, large):
        limit = (2 * r["threads"] * r["slice"] + 32 * MiB) / 1024
        goal = r["peak_kib"] <= limit
        ok &= goal
        print(f"  peak memory at {r['slice'] // 1024:5d} KiB slices = {r['peak_kib'] / 1024:6.1f} MiB"
              f"  (goal <= {limit / 1024:.1f} MiB: {'met' if goal else 'MISSED'})")
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--size-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    cli = os.path.join(args.build, "tools", "objstore-cli", "objstore-cli")
    standin = os.path.join(args.build, "tools", "standin", "objstore-standin")
    for tool in ("nginx", "curl", "aria2c", "/usr/bin/time"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing (scripts/install-packages installs it)")
    for binary in (cli, standin):
        if not os.access(binary, os.X_OK):
            sys.exit(f"{binary} is missing: build first (scripts/build)")

    work = tempfile.mkdtemp(prefix="objstore-bench-")
    try:
        root = os.path.join(work, "bucket")
        os.makedirs(root)
        object_path = os.path.join(root, "object.bin")
        size = args.size_mib * MiB
        with open(object_path, "wb") as f:
            for _ in range(args.size_mib):
                f.write(os.urandom(MiB))
        out_dir = os.path.join(work, "out")
        os.makedirs(out_dir)

        all_ok = True
        nginx = Nginx(root, os.path.join(work, "nginx"))
        try:
            results = bench_peer("nginx", nginx.port, object_path, out_dir, cli, args.runs, size)
        finally:
            nginx.stop()
        report("nginx", results, size)
        all_ok &= check_goals(results)

        standin_server = Standin(standin, root)
        try:
            results = bench_peer("stand-in", standin_server.port, object_path, out_dir, cli,
                                 args.runs, size)
        finally:
            standin_server.stop()
        report("stand-in service", results, size)
        all_ok &= check_goals(results)
        print("\nall goals met" if all_ok else "\nsome goals missed")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

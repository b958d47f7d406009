#!/usr/bin/env python3
"""Peak memory and traffic of objstore-cli against a server that ignores ranges.

The server answers every GET with 200 and the whole object (as a simple file
server or a misconfigured proxy does) and counts the body bytes the kernel
accepted for sending. The client fetches the object with the installer's
settings (10 threads, 64 KiB slices); GNU time reports its peak memory.

Usage: bench/ignored_ranges.py --cli BUILD/tools/objstore-cli/objstore-cli [--size-mib 64]
"""
import argparse
import http.server
import os
import re
import subprocess
import tempfile
import threading

MiB = 1024 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    body = b""
    sent = 0
    requests = 0
    lock = threading.Lock()

    def log_message(self, *args):
        pass

    def head(self):
        self.send_response(200)
        self.send_header("Content-Length", str(len(self.body)))
        self.send_header("ETag", '"bench"')
        self.send_header("Connection", "close")
        self.end_headers()

    def do_HEAD(self):
        with Handler.lock:
            Handler.requests += 1
        self.head()

    def do_GET(self):
        with Handler.lock:
            Handler.requests += 1
        self.head()
        view = memoryview(self.body)
        try:
            for start in range(0, len(view), 65536):
                self.wfile.write(view[start:start + 65536])
                with Handler.lock:
                    Handler.sent += len(view[start:start + 65536])
        except (BrokenPipeError, ConnectionResetError):
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--size-mib", type=int, default=64)
    args = parser.parse_args()

    Handler.body = os.urandom(args.size_mib * MiB)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "copy.bin")
        env = dict(os.environ, OBJSTORE_APP_ID="1250000000", OBJSTORE_SECRET_ID="id",
                   OBJSTORE_SECRET_KEY="key", OBJSTORE_REGION="r",
                   OBJSTORE_ENDPOINT="127.0.0.1:%d" % server.server_address[1])
        run = subprocess.run(["/usr/bin/time", "-v", args.cli, "--quiet", "--threads", "10",
                              "--slice-size", "65536", "get", "bucket", "object", out],
                             env=env, capture_output=True, text=True)
        peak_kib = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr).group(1))
        same = os.path.exists(out) and open(out, "rb").read() == Handler.body
    server.shutdown()
    print("object %d MiB: exit %d, copy %s, requests %d, body bytes sent %.1f MiB (%.2f x the "
          "object), client peak memory %.1f MiB"
          % (args.size_mib, run.returncode, "identical" if same else "WRONG", Handler.requests,
             Handler.sent / MiB, Handler.sent / len(Handler.body), peak_kib / 1024))


if __name__ == "__main__":
    main()

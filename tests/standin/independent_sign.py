#!/usr/bin/env python3
"""Signs requests to a running objstore-standin with a signer written apart from
the project's C++ one (Python's hmac and hashlib only), so a bug shared by the
client's signer and the service's check cannot hide. Exits 0 when every check
passes."""
import argparse
import hashlib
import hmac
import http.client
import os
import sys
import time
import urllib.parse

SIGNED_HEADERS = {
    "cache-control", "content-disposition", "content-encoding", "content-length", "content-md5",
    "content-type", "expect", "expires", "host", "if-match", "if-modified-since", "if-none-match",
    "if-unmodified-since", "origin", "range", "transfer-encoding", "pic-operations",
}


def encode(text, keep_slash=False):
    return urllib.parse.quote(text, safe="-_.~" + ("/" if keep_slash else ""))


def canonical(entries):
    keys = sorted(entries)
    return ";".join(keys), "&".join(f"{k}={entries[k]}" for k in keys)


def authorization(secret_id, secret_key, method, path, headers, params, start_offset=-60):
    now = int(time.time())
    key_time = f"{now + start_offset};{now + 600}"
    signed = {name.lower(): encode(value) for name, value in headers.items()
              if name.lower() in SIGNED_HEADERS or name.startswith("x-cos")}
    header_list, header_pairs = canonical(signed)
    param_list, param_pairs = canonical({encode(k).lower(): encode(v) for k, v in params.items()})
    text = f"{method.lower()}\n{path}\n{param_pairs}\n{header_pairs}\n"
    to_sign = f"sha1\n{key_time}\n{hashlib.sha1(text.encode()).hexdigest()}\n"
    sign_key = hmac.new(secret_key.encode(), key_time.encode(), hashlib.sha1).hexdigest()
    signature = hmac.new(sign_key.encode(), to_sign.encode(), hashlib.sha1).hexdigest()
    return (f"q-sign-algorithm=sha1&q-ak={secret_id}&q-sign-time={key_time}"
            f"&q-key-time={key_time}&q-header-list={header_list}"
            f"&q-url-param-list={param_list}&q-signature={signature}")


def fetch(args, method, key, extra_headers=None, params=None, secret_key=None, start_offset=-60,
          at_second_start=False):
    headers = {"Host": args.host}
    headers.update(extra_headers or {})
    params = params or {}
    if at_second_start:
        # Sign and send in the first milliseconds of a second, where a service
        # clock that lags (time() trails the precise clock by up to a tick) still
        # reads the second before.
        time.sleep(1 - time.time() % 1)
    headers["Authorization"] = authorization(args.secret_id, secret_key or args.secret_key,
                                             method, "/" + key, headers, params, start_offset)
    target = encode("/" + key, keep_slash=True)
    if params:
        target += "?" + "&".join(encode(k) + ("=" + encode(v) if v else "") for k, v in params.items())
    conn = http.client.HTTPConnection("127.0.0.1", args.port, timeout=30)
    conn.request(method, target, headers=headers)
    response = conn.getresponse()
    body = response.read()
    conn.close()
    return response.status, dict(response.getheaders()), body


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--secret-id", "--secret-key", "--root"):
        parser.add_argument(name, required=True)
    parser.add_argument("--port", type=int, required=True)
    args = parser.parse_args()

    def read(key):
        with open(os.path.join(args.root, key), "rb") as f:
            return f.read()

    base = read("8.5/base.zip")
    odd_key = "dir/a b+\u00fc.bin"
    odd = read(odd_key)
    checks = []

    status, _, body = fetch(args, "GET", "8.5/base.zip", {"Range": "bytes=100-199"},
                            {"versionId": "1 2", "acl": ""})
    checks.append(("ranged GET with parameters", status == 206 and body == base[100:200], status))

    status, headers, _ = fetch(args, "HEAD", odd_key)
    etag = headers.get("ETag", "")
    checks.append(("HEAD of an encoded key",
                   status == 200 and headers.get("Content-Length") == str(len(odd))
                   and etag == '"' + hashlib.md5(odd).hexdigest() + '"', (status, etag)))

    status, _, body = fetch(args, "GET", odd_key, {"x-cos-meta-check": "yes"})
    checks.append(("GET of an encoded key", status == 200 and body == odd, status))

    for attempt in range(3):
        status, _, body = fetch(args, "GET", "8.5/base.zip", start_offset=0, at_second_start=True)
        if status != 200:
            break
    checks.append(("window from the current second, sent as the second begins",
                   status == 200 and body == base, status))

    status, _, body = fetch(args, "GET", "8.5/base.zip", start_offset=30)
    checks.append(("window beginning 30 s ahead, within the allowed skew",
                   status == 200 and body == base, status))

    status, _, body = fetch(args, "GET", "8.5/base.zip", secret_key="wrong-key")
    checks.append(("wrong key refused",
                   status == 403 and b"<Code>SignatureDoesNotMatch</Code>" in body, status))

    failed = [c for c in checks if not c[1]]
    for name, _, detail in failed:
        print(f"FAILED: {name}: {detail}")
    print(f"independent signer: {len(checks) - len(failed)} of {len(checks)} checks passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

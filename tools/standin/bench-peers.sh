#!/usr/bin/env bash
# Compares objstore-standin with nginx (sendfile on) serving the same file: one
# curl stream; aria2c with 10 ranged connections of 1 MiB pieces; and 64 KiB
# ranged GETs, 10 at once, each on a fresh connection (the installer's slice
# pattern) with curl --parallel. Prints the best of three runs of each in MiB/s.
# Loopback only; both servers are stopped at the end.
#
# Usage: tools/standin/bench-peers.sh [BUILD_DIR] [SIZE_MIB]   (defaults: build, 256)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
size_mib="${2:-256}"
standin="$build/tools/standin/objstore-standin"
[ -x "$standin" ] || { echo "no $standin" >&2; exit 1; }
for tool in curl aria2c nginx python3; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || { echo "missing $tool" >&2; exit 1; }
done
nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"

scratch="${TMPDIR:-/tmp}"
[ -d /dev/shm ] && scratch=/dev/shm  # keep aria2c's writes off the disk
work="$(mktemp -d "$scratch/objstore-bench-peers.XXXXXX")"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root" "$work/nginx" "$work/dl"
head -c $((size_mib * 1024 * 1024)) /dev/urandom > "$work/root/big.bin"

"$standin" --root "$work/root" --no-auth --any-host --port 0 > "$work/standin.out" &
pids+=($!)
for _ in $(seq 100); do grep -q '^listening ' "$work/standin.out" && break; sleep 0.05; done
standin_port="$(sed -n 's/^listening 127.0.0.1://p' "$work/standin.out")"

nginx_port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
cat > "$work/nginx/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1;
pid $work/nginx/nginx.pid; error_log $work/nginx/error.log warn;
events { worker_connections 1024; }
http {
    access_log off; sendfile on; tcp_nopush on; keepalive_requests 100000;
    client_body_temp_path $work/nginx/cb; proxy_temp_path $work/nginx/p;
    fastcgi_temp_path $work/nginx/f; uwsgi_temp_path $work/nginx/u; scgi_temp_path $work/nginx/s;
    default_type application/octet-stream;
    server { listen 127.0.0.1:$nginx_port; root $work/root; location / { } }
}
CONF
"$nginx_bin" -p "$work/nginx/" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
pids+=($!)
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$nginx_port/" && break; sleep 0.05; done

elapsed() { local end; end="$(date +%s.%N)"; python3 -c "print($end - $1)"; }
mibps() { python3 -c "print(f'{$size_mib / $1:.0f}')"; }
best() { sort -g | head -n 1; }

echo "object: $size_mib MiB; $(nproc) cores"
# The slice pattern: the first 64 MiB (at most the object) in 64 KiB ranges.
slices=$(( (size_mib < 64 ? size_mib : 64) * 16 ))
slice_mib="$(python3 -c "print($slices / 16)")"
make_slices() { # url
    for i in $(seq 0 $((slices - 1))); do
        printf 'url = "%s"\nrange = %d-%d\noutput = /dev/null\n' "$1" $((i * 65536)) $((i * 65536 + 65535))
    done
}
printf '%-10s %14s %22s %26s\n' peer "curl (MiB/s)" "aria2c -x10 (MiB/s)" "64 KiB slices x10 (MiB/s)"
for peer in standin nginx; do
    port="$standin_port"; [ "$peer" = nginx ] && port="$nginx_port"
    url="http://127.0.0.1:$port/big.bin"
    curl -s -I -o /dev/null "$url"  # the stand-in hashes the file for its ETag once
    curl_times=() aria_times=() slice_times=()
    make_slices "$url" > "$work/slices.conf"
    for _ in 1 2 3; do
        curl_times+=("$(curl -s -o /dev/null -w '%{time_total}' "$url")")
        rm -f "$work/dl/big.bin"
        start="$(date +%s.%N)"
        aria2c -q -x10 -s10 -k1M --file-allocation=none --allow-overwrite=true \
            -d "$work/dl" -o big.bin "$url"
        aria_times+=("$(elapsed "$start")")
        cmp -s "$work/root/big.bin" "$work/dl/big.bin" || { echo "$peer: aria2c copy differs" >&2; exit 1; }
        start="$(date +%s.%N)"
        curl -s --no-progress-meter --parallel --parallel-max 10 -H 'Connection: close' \
            -K "$work/slices.conf" 2>/dev/null
        slice_times+=("$(elapsed "$start")")
    done
    curl_best="$(printf '%s\n' "${curl_times[@]}" | best)"
    aria_best="$(printf '%s\n' "${aria_times[@]}" | best)"
    slice_best="$(printf '%s\n' "${slice_times[@]}" | best)"
    printf '%-10s %14s %22s %26s\n' "$peer" "$(mibps "$curl_best")" "$(mibps "$aria_best")" \
        "$(python3 -c "print(f'{$slice_mib / $slice_best:.0f}')")"
done

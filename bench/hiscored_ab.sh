#!/usr/bin/env bash
# hiscored's list path against nginx serving the same bytes as a static file, both under
# ab (HTTP/1.0, a new connection per request) at the same concurrency in the same run;
# then the write path's rate (distinct entries, each one a durable commit).
#
# usage: bench/hiscored_ab.sh [BUILD_DIR] [REQUESTS] [CONCURRENCY]
# Goals: hiscored's requests/s at least nginx's; its p99 within 1.5x of nginx's.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
requests=${2:-20000}
concurrency=${3:-50}
threads=$(nproc)
for tool in ab nginx; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup installs it)"; exit 1; }
done
[ -x "$build/hiscored" ] && [ -x "$build/tools/qvtcrypt" ] || { echo "bench: build hiscored and qvtcrypt first"; exit 1; }

work=$(mktemp -d /tmp/hiscored-bench-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for_file() {
  for _ in $(seq 1 200); do [ -s "$1" ] && return 0; sleep 0.05; done
  echo "bench: $1 never appeared"; exit 1
}

"$build/hiscored" --listen 127.0.0.1:0 --database "$work/bench.db" --port-file "$work/port" \
  --write-limit 0 --threads "${HISCORED_THREADS:-$threads}" --access-log "$work/hiscored.log" 2>"$work/hiscored.err" &
pids+=($!)
wait_for_file "$work/port"
port=$(cat "$work/port")
crypt() { "$build/tools/qvtcrypt" encrypt 5hwintor "$1"; }
for i in $(seq 1 10); do
  curl -fsS "http://127.0.0.1:$port/123/ifvdhwrite.php?isoud=$(crypt "PLAYER$i")&eakcs=$(crypt $((i * 1000)))" >/dev/null
done

# nginx: the list reply as a file, the same workers, an access log as hiscored keeps one.
mkdir -p "$work/www/123" "$work/nginx"
curl -fsS "http://127.0.0.1:$port/123/ifvdhread.php" >"$work/www/123/ifvdhread.php"
# nginx workers run as an unprivileged user when the script runs as root.
chmod -R a+rX "$work"
nginx_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes $threads;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log $work/nginx/access.log;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  default_type text/plain;
  server {
    listen 127.0.0.1:$nginx_port;
    root $work/www;
  }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
pids+=($!)
for _ in $(seq 1 100); do curl -fsS "http://127.0.0.1:$nginx_port/123/ifvdhread.php" >/dev/null 2>&1 && break; sleep 0.05; done
cmp -s <(curl -fsS "http://127.0.0.1:$nginx_port/123/ifvdhread.php") "$work/www/123/ifvdhread.php" ||
  { echo "bench: nginx does not serve the list"; exit 1; }

run_ab() {  # name url -> "rps p99"
  ab -q -n "$requests" -c "$concurrency" "$2" >"$work/ab.$1" 2>&1 || { cat "$work/ab.$1"; exit 1; }
  local rps p99 failed
  rps=$(awk '/^Requests per second/ {print $4}' "$work/ab.$1")
  p99=$(awk '$1 == "99%" {print $2}' "$work/ab.$1")
  failed=$(awk '/^Failed requests/ {print $3}' "$work/ab.$1")
  printf '%-10s %10s req/s   p99 %4s ms   failed %s\n' "$1" "$rps" "$p99" "$failed"
  echo "$rps $p99" >"$work/result.$1"
}

echo "list path: $requests requests, concurrency $concurrency, $threads worker threads/processes"
# The machine may be shared: warm both once, then measure each ROUNDS times (default 5),
# alternating, and compare the medians.
rounds=${ROUNDS:-5}
ab -q -n 2000 -c "$concurrency" "http://127.0.0.1:$port/123/ifvdhread.php" >/dev/null 2>&1
ab -q -n 2000 -c "$concurrency" "http://127.0.0.1:$nginx_port/123/ifvdhread.php" >/dev/null 2>&1
for round in $(seq 1 "$rounds"); do
  run_ab "nginx$round" "http://127.0.0.1:$nginx_port/123/ifvdhread.php"
  run_ab "hiscored$round" "http://127.0.0.1:$port/123/ifvdhread.php"
done
median() {
  cat "$work/result.$1"* | awk '{print $'"$2"'}' | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}
nginx_rps=$(median nginx 1); nginx_p99=$(median nginx 2)
ours_rps=$(median hiscored 1); ours_p99=$(median hiscored 2)
echo "medians: nginx $nginx_rps req/s p99 $nginx_p99 ms; hiscored $ours_rps req/s p99 $ours_p99 ms"
awk -v a="$ours_rps" -v b="$nginx_rps" -v p="$ours_p99" -v q="$nginx_p99" 'BEGIN {
  printf "hiscored/nginx: rate %.2fx (goal >= 1), p99 %.2fx (goal <= 1.5)\n", a / b, (q > 0 ? p / q : 0)
}'

# Write path: distinct entries, so each request is a real insert and a durable commit.
writes=${WRITES:-400}
for i in $(seq 1 "$writes"); do
  echo "/123/ifvdhwrite.php?isoud=$(crypt "W$i")&eakcs=$(crypt "$i")"
done >"$work/writes"
python3 - "$port" "$work/writes" <<'PY'
import http.client, sys, threading, time
port, paths = int(sys.argv[1]), open(sys.argv[2]).read().split()
lock, failures, index = threading.Lock(), [0], [0]
def worker():
    while True:
        with lock:
            if index[0] >= len(paths): return
            path = paths[index[0]]; index[0] += 1
        c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        c.request("GET", path)
        r = c.getresponse(); body = r.read(); c.close()
        if r.status != 200 or body != b"ok":
            with lock: failures[0] += 1
start = time.time()
threads = [threading.Thread(target=worker) for _ in range(10)]
for t in threads: t.start()
for t in threads: t.join()
took = time.time() - start
print(f"write path: {len(paths)} distinct entries, 10 clients: {len(paths) / took:.0f} writes/s, failed {failures[0]}")
PY

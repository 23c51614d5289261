#!/bin/sh
# Requests per second of kalmitor for a small page, one connection at a time,
# next to nginx (one worker) serving a static file of the same size on this
# machine, and their ratio; then the same for a logged-in firm list page of 20
# firms on a copy of the shipped data.
#
#   bench/bench_serv.sh [kalmitor program] [seconds]
#
# Needs wrk and nginx (apt-get install wrk nginx-light); they are for this
# benchmark only.  The program defaults to an optimised build in build-bench/,
# brought up to date first.  Everything runs on 127.0.0.1 and stops by itself.
set -e
cd "$(dirname "$0")/.."
PROG=${1:-}
SECS=${2:-10}

for tool in wrk nginx; do
  command -v $tool >/dev/null 2>&1 || [ -x /usr/sbin/$tool ] || {
    echo "bench_serv: $tool is missing (apt-get install wrk nginx-light)" >&2
    exit 1
  }
done
NGINX=$(command -v nginx 2>/dev/null || echo /usr/sbin/nginx)

if [ -z "$PROG" ]; then
  PROG=build-bench/kalmitor
  [ -f build-bench/CMakeCache.txt ] || cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKAL_TESTS=OFF >/dev/null
  cmake --build build-bench -j "$(nproc)" --target kalmitor >/dev/null
fi

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

TMP=$(mktemp -d /tmp/kal_bench_XXXXXX)
KPID=""
NPID=""
LPID=""
cleanup() {
  [ -n "$LPID" ] && kill "$LPID" 2>/dev/null && wait "$LPID" 2>/dev/null
  [ -n "$KPID" ] && kill "$KPID" 2>/dev/null && wait "$KPID" 2>/dev/null
  [ -n "$NPID" ] && kill "$NPID" 2>/dev/null && wait "$NPID" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM

wait_port() {
  i=0
  until python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),1)" 2>/dev/null; do
    i=$((i + 1))
    [ $i -gt 100 ] && { echo "bench_serv: nothing listens on $1" >&2; exit 1; }
    sleep 0.05
  done
}

# rps URL [header]
rps() {
  if [ -n "$2" ]; then
    wrk -c1 -t1 -d"${SECS}s" -H "$2" "$1" | awk '/Requests\/sec/ {print $2}'
  else
    wrk -c1 -t1 -d"${SECS}s" "$1" | awk '/Requests\/sec/ {print $2}'
  fi
}

# kalmitor with its plain page.
KPORT=$(free_port)
mkdir -p "$TMP/kal"
"$PROG" HttpHost=127.0.0.1 HttpPort="$KPORT" Install_Dir="$TMP/kal" >"$TMP/kal.log" 2>&1 &
KPID=$!
wait_port "$KPORT"
PAGE_BYTES=$(curl -s "http://127.0.0.1:$KPORT/" | wc -c)

# nginx, one worker, a static file of the same size.
NPORT=$(free_port)
mkdir -p "$TMP/www" "$TMP/ngx"
head -c "$PAGE_BYTES" /dev/zero | tr '\0' 'x' >"$TMP/www/index.html"
cat >"$TMP/ngx/nginx.conf" <<EOF
worker_processes 1;
daemon off;
error_log $TMP/ngx/error.log;
pid $TMP/ngx/nginx.pid;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $TMP/ngx;
  proxy_temp_path $TMP/ngx;
  fastcgi_temp_path $TMP/ngx;
  uwsgi_temp_path $TMP/ngx;
  scgi_temp_path $TMP/ngx;
  server {
    listen 127.0.0.1:$NPORT;
    root $TMP/www;
  }
}
EOF
"$NGINX" -p "$TMP/ngx" -c "$TMP/ngx/nginx.conf" >"$TMP/ngx.log" 2>&1 &
NPID=$!
wait_port "$NPORT"

# kalmitor on a copy of the shipped data with 20 firms, a session entered
# (no users: everybody is administrator), its firm list page.
LPORT=$(free_port)
cp -r data "$TMP/list"
{
  printf 'KALMITOR 1.0 http://kalmitor.example/\r\n'
  for i in $(seq 1 20); do
    printf " %d 'Firma numer %d' '' '' '' '' '' '' '' '' '' '' '' '' '' 1 0 1700000000 0\r\n" "$i" "$i"
  done
} >"$TMP/list/dat/Firmy.dat"
"$PROG" HttpHost=127.0.0.1 HttpPort="$LPORT" Install_Dir="$TMP/list" >"$TMP/list.log" 2>&1 &
LPID=$!
wait_port "$LPORT"
CODE=$(curl -s -d 'sess_code=&action=Rozpocznij%20prac%EA' "http://127.0.0.1:$LPORT/login.htm" |
  grep -o 'sess_code=[0-9a-f]\{32\}' | head -1 | cut -d= -f2)
LIST_URL="http://127.0.0.1:$LPORT/Firmy.htm?n_10=&sess_code=$CODE"
LIST_BYTES=$(curl -s "$LIST_URL" | wc -c)
head -c "$LIST_BYTES" /dev/zero | tr '\0' 'x' >"$TMP/www/list.html"

K=$(rps "http://127.0.0.1:$KPORT/")
N=$(rps "http://127.0.0.1:$NPORT/index.html")
NC=$(rps "http://127.0.0.1:$NPORT/index.html" "Connection: close")
L=$(rps "$LIST_URL")
NL=$(rps "http://127.0.0.1:$NPORT/list.html" "Connection: close")
echo "page of $PAGE_BYTES bytes, one client connection at a time, ${SECS} s each"
echo "kalmitor:               $K requests/s (a new connection per request)"
echo "nginx, keep-alive:      $N requests/s (one worker, static file)"
echo "nginx, Connection: close: $NC requests/s"
echo "firm list of 20 firms, logged in, $LIST_BYTES bytes:"
echo "kalmitor:               $L requests/s"
echo "nginx, Connection: close: $NL requests/s (a static file of that size)"
awk -v k="$K" -v n="$N" -v c="$NC" -v l="$L" -v nl="$NL" 'BEGIN {
  if (n > 0) printf "ratio kalmitor/nginx keep-alive: %.3f\n", k / n
  if (c > 0) printf "ratio kalmitor/nginx close:      %.3f\n", k / c
  if (nl > 0) printf "ratio firm list/nginx close:    %.3f\n", l / nl
}'

#!/usr/bin/env bash
# The network clients against curl, measured in the same run on loopback:
#   Http.Get of a 200 MB body               (target: at least 0.9 x the throughput of
#                                            curl -o /dev/null; also shown against curl writing
#                                            the body to memory, which Http.Get has to do)
#   1000 messages fetched and parsed by Pop3 from dovecot (target: at least 0.8 x curl's rate)
# Each figure is the median of several runs of the whole program, the runs of the two sides
# taking turns so that the machine's other load falls on both.
#   net.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
script=$build/app/ulka-script
servers=$here/../tests/net/servers
work=$(mktemp -d)
chmod 755 "$work"
unset http_proxy HTTP_PROXY all_proxy ALL_PROXY
pids=()
cleanup() {
  for fd in "${fds[@]:-}"; do [ -n "$fd" ] && eval "exec $fd>&-"; done
  for pid in "${pids[@]:-}"; do [ -n "$pid" ] && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
fds=()
trap cleanup EXIT

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() { local t0; t0=$(now); "$@" >/dev/null; awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }'; }
# alternate N A B: runs the commands held in the arrays named A and B in turn, N times each, and
# prints the median seconds of each.
alternate() {
  local n=$1
  local -n a=$2 b=$3
  for _ in $(seq "$n"); do
    echo "a $(seconds "${a[@]}")"
    echo "b $(seconds "${b[@]}")"
  done > "$work/times"
  echo "$(awk '$1 == "a" { print $2 }' "$work/times" | median) $(awk '$1 == "b" { print $2 }' "$work/times" | median)"
}

# start NAME COMMAND...: runs a server whose first output line is its ports; they land in $ports.
start() {
  local fifo=$work/$1.in
  shift
  mkfifo "$fifo"
  "$@" < "$fifo" > "$work/ports" &
  pids+=($!)
  exec {fd}>"$fifo"
  fds+=("$fd")
  for _ in $(seq 300); do [ -s "$work/ports" ] && break; sleep 0.1; done
  ports=$(head -1 "$work/ports")
  : > "$work/ports"
}

# --- HTTP --------------------------------------------------------------------------------------
size=$((200 * 1024 * 1024))
head -c "$size" /dev/urandom > "$work/big.bin"
start http python3 "$here/net/serve_file.py" "$work/big.bin"
url="http://127.0.0.1:$ports/big.bin"
seconds curl -s -o /dev/null "$url" >/dev/null  # warm the page cache
memory=/dev/shm
[ -d "$memory" ] && [ -w "$memory" ] || memory=$work
curl_null=(curl -s -o /dev/null "$url")
curl_memory=(curl -s -o "$memory/ulka-bench-body.$$" "$url")
ulka_get=("$script" "$here/net/get.js" "$url" "$size")
read -r curl_http ulka_http < <(alternate 7 curl_null ulka_get)
read -r curl_mem ulka_http2 < <(alternate 7 curl_memory ulka_get)
rm -f "$memory/ulka-bench-body.$$"
row() { python3 "$here/table.py" row "$@"; }
row "Http.Get of 200 MB" "$(awk -v u="$ulka_http" 'BEGIN { printf "%.0f MB/s", 200 / u }')" "curl -o /dev/null" \
  "$(awk -v c="$curl_http" 'BEGIN { printf "%.0f MB/s", 200 / c }')" \
  "$(awk -v c="$curl_http" -v u="$ulka_http" 'BEGIN { printf "%.4f", c / u }')" "at least" 0.9 throughput
awk -v c="$curl_mem" -v u="$ulka_http2" 'BEGIN {
  printf "Http.Get 200 MB: %.2f x curl writing the body to memory (%.0f vs %.0f MB/s; throughput)\n", c / u, 200 / u, 200 / c }'

# --- POP3 --------------------------------------------------------------------------------------
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$work/key.pem" \
  -out "$work/cert.pem" -days 1 -subj /CN=localhost 2>/dev/null
count=1000
start dovecot python3 "$servers/dovecot.py" "$work/dovecot" "$work/cert.pem" "$work/key.pem" alice secret --generate "$count"
pop=${ports%% *}
curl_pop=(curl -s -u alice:secret "pop3://127.0.0.1:$pop/[1-$count]")
ulka_pop=("$script" "$here/net/pop3.js" "127.0.0.1:$pop" "$count")
read -r curl_time ulka_time < <(alternate 7 curl_pop ulka_pop)
row "Pop3, $count messages fetched and parsed" "$(awk -v u="$ulka_time" -v n="$count" 'BEGIN { printf "%.0f messages/s", n / u }')" \
  "curl" "$(awk -v c="$curl_time" -v n="$count" 'BEGIN { printf "%.0f messages/s", n / c }')" \
  "$(awk -v c="$curl_time" -v u="$ulka_time" 'BEGIN { printf "%.4f", c / u }')" "at least" 0.8 throughput

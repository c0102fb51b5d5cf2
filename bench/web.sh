#!/usr/bin/env bash
# Whole-program figures of the windowed host, each against the floor program (one WebKitGTK view
# serving the same files from memory), measured in the same run:
#   start to first paint of a hello-world page   (target: at most 1.2 x the floor's time)
#   resident memory of program + web processes   (target: at most 1.2 x the floor's)
#   fetch of a 50 MB file from a zip and a folder (target: at least 0.8 x the floor's rate)
#   web.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/display-env.sh"
ulka=$build/app/ulka floor=$build/bench/floor_view
cp "$here/web/hello.html" "$here/web/start.js" "$here/web/fetch.html" "$work/"
head -c $((50 * 1048576)) /dev/urandom > "$work/big.bin"
(cd "$work" && zip -q -0 app.zip fetch.html big.bin)

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }'; }

# Seconds from launch to the exit that the first paint triggers; the median of five runs.
paint_time() {
  for _ in 1 2 3 4 5; do
    local t0; t0=$(now)
    timeout 60 "$@" >/dev/null 2>&1
    awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }'
  done | median
}

descendants() { for child in $(pgrep -P "$1"); do echo "$child"; descendants "$child"; done; }

# Waits for a window whose name matches, answers its name.
window_name() {
  local pattern=$1
  for _ in $(seq 600); do
    local id; id=$(xdotool search --name "$pattern" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then xdotool getwindowname "$id"; return; fi
    sleep 0.05
  done
  echo "timeout"
}

# Kilobytes resident in the program and every process under it, once its page has painted.
resident() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  window_name '^painted$' >/dev/null
  sleep 0.5
  local total=0
  for p in $pid $(descendants $pid); do
    total=$((total + $(awk '/VmRSS/ {print $2}' /proc/$p/status 2>/dev/null || echo 0)))
  done
  kill $pid; wait $pid 2>/dev/null || true
  echo $total
}

# The best MB/s the fetch page reports.
fetch_rate() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  local name; name=$(window_name '^rate ')
  kill $pid; wait $pid 2>/dev/null || true
  echo "${name#rate }"
}

row() { python3 "$here/table.py" row "$@"; }

cd "$work"
floor_paint=$(paint_time "$floor" "$work" hello.html --quit-on-title painted)
ulka_paint=$(paint_time "$ulka" hello.html quit)
row "start to first paint" "${ulka_paint} s" "bare WebKitGTK view" "${floor_paint} s" \
  "$(ratio "$ulka_paint" "$floor_paint")" "at most" 1.2 time

floor_rss=$(resident "$floor" "$work" hello.html)
ulka_rss=$(resident "$ulka" hello.html stay)
row "resident memory with web processes" "${ulka_rss} kB" "bare WebKitGTK view" "${floor_rss} kB" \
  "$(ratio "$ulka_rss" "$floor_rss")" "at most" 1.2 memory

floor_rate=$(fetch_rate "$floor" "$work" fetch.html)
folder_rate=$(fetch_rate "$ulka" fetch.html)
zip_rate=$(fetch_rate "$ulka" app.zip)
row "fetch of 50 MB from a folder" "${folder_rate} MB/s" "bare WebKitGTK view" "${floor_rate} MB/s" \
  "$(ratio "$folder_rate" "$floor_rate")" "at least" 0.8 throughput
row "fetch of 50 MB from a zip" "${zip_rate} MB/s" "bare WebKitGTK view" "${floor_rate} MB/s" \
  "$(ratio "$zip_rate" "$floor_rate")" "at least" 0.8 throughput

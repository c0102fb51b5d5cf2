#!/usr/bin/env bash
# Kills the web processes of a running ulka; the application must survive and recover.
#   crash-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/run-app.sh" "$1" 0 crash/index.html &
runner=$!
window=$(timeout 30 xdotool search --sync --name "^Crash ready" | head -1)
[ -n "$window" ] || { echo "the window never became ready" >&2; kill $runner; exit 1; }
host=$(xdotool getwindowpid "$window" 2>/dev/null || pgrep -f -n "ulka crash/index.html")
descendants() { for child in $(pgrep -P "$1"); do echo "$child"; descendants "$child"; done; }
killed=0
for pid in $(descendants "$host"); do
  if grep -q WebKitWebProcess "/proc/$pid/cmdline" 2>/dev/null; then kill -9 "$pid" && killed=$((killed + 1)); fi
done
[ $killed -gt 0 ] || { echo "no web process found under $host" >&2; kill $runner; exit 1; }
wait $runner

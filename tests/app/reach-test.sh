#!/usr/bin/env bash
# What a page from the network can reach in an Ulka window: the reach application checks the
# application's files by every route and popups without a click; then real clicks (xdotool) in an
# application page and in a network frame inside it show that the desktop opens what the
# application asks for, and only web and mail addresses for the frame.
#   reach-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
portfile=$(mktemp)
export ULKA_SHELL_OPEN_LOG=$(mktemp)
python3 - "$portfile" <<'PY' &
import http.server, functools, sys, threading
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory="reach")
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[1], "w").write(str(server.server_address[1]))
threading.Timer(110, server.shutdown).start()
server.serve_forever()
PY
server=$!
trap 'kill $server 2>/dev/null; rm -f "$portfile" "$ULKA_SHELL_OPEN_LOG"' EXIT
for _ in $(seq 50); do [ -s "$portfile" ] && break; sleep 0.1; done
port=$(cat "$portfile")

"$here/run-app.sh" "$1" 0 reach/index.html "$port" "$(pwd)/reach" || exit 1
if [ -s "$ULKA_SHELL_OPEN_LOG" ]; then
  echo "without a click, a network page made the desktop open:" >&2
  cat "$ULKA_SHELL_OPEN_LOG" >&2
  exit 1
fi

"$here/run-app.sh" "$1" 0 reach/clicks.html "$port" &
app=$!
window=$(timeout 30 xdotool search --sync --name "^Clicks ready" | head -1)
[ -n "$window" ] || { echo "the clicks page never became ready" >&2; kill $app; exit 1; }
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.5; }
click 100 150   # the network frame's file:// button
click 100 50    # the application's own button: ssh://
click 100 230   # the network frame's https:// button
click 100 310   # the network frame's ssh:// button
wait $app || { echo "the clicks application failed" >&2; exit 1; }
expected=$'ssh://app-click.invalid/\nhttps://example.invalid/net-click'
opened=$(cat "$ULKA_SHELL_OPEN_LOG")
if [ "$opened" != "$expected" ]; then
  printf 'after the clicks the desktop was asked to open:\n%s\nexpected:\n%s\n' "$opened" "$expected" >&2
  exit 1
fi

#!/usr/bin/env bash
# Runs the http application against a loopback server serving its folder, then checks that no
# page from the network made the desktop open anything.
#   http-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
portfile=$(mktemp)
export ULKA_SHELL_OPEN_LOG=$(mktemp)
python3 - "$portfile" <<'PY' &
import http.server, functools, sys, threading
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory="http")
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[1], "w").write(str(server.server_address[1]))
threading.Timer(80, server.shutdown).start()
server.serve_forever()
PY
server=$!
trap 'kill $server 2>/dev/null; rm -f "$portfile" "$ULKA_SHELL_OPEN_LOG"' EXIT
for _ in $(seq 50); do [ -s "$portfile" ] && break; sleep 0.1; done
"$here/run-app.sh" "$1" 0 http/index.html "$(cat "$portfile")" "$(pwd)/http" || exit 1
if [ -s "$ULKA_SHELL_OPEN_LOG" ]; then
  echo "a network page made the desktop open:" >&2
  cat "$ULKA_SHELL_OPEN_LOG" >&2
  exit 1
fi

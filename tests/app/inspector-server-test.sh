#!/usr/bin/env bash
# The engine's own remote inspector, asked for in its environment, opens only when the author
# asked for inspection: otherwise any local program could reach the pages and window.external.
#   inspector-server-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# Runs the application with the inspector variables set and says whether anything answered on
# their port while it ran.
listened() {
  local port
  port=$(free_port)
  WEBKIT_INSPECTOR_HTTP_SERVER=127.0.0.1:$port WEBKIT_INSPECTOR_SERVER=127.0.0.1:$((port + 1)) \
    "$here/run-app.sh" "$1" 0 inspectserver/index.html &
  local app=$! answered=no
  for _ in $(seq 25); do
    sleep 0.1
    if python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.2)' "$port" 2>/dev/null; then
      answered=yes
    fi
  done
  wait $app || { echo "the application failed" >&2; return 2; }
  echo $answered
}
without=$(listened "$1") || exit 1
with=$(ULKA_INSPECT=1 listened "$1") || exit 1
[ "$with" = yes ] || { echo "with ULKA_INSPECT=1 the engine's inspector never listened: the test sees nothing" >&2; exit 1; }
[ "$without" = no ] || { echo "without inspection the engine's remote inspector listened" >&2; exit 1; }

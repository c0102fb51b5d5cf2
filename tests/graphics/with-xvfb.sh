#!/usr/bin/env bash
# Runs a command on a private X server, so that tests that move the pointer, own the clipboard or
# need a particular monitor layout do not disturb (and are not disturbed by) other tests.
#   with-xvfb.sh "XVFB OPTIONS" COMMAND [ARGS...]
# The server picks a free display itself (-displayfd), so parallel runs never collide.
set -uo pipefail
options=$1
shift
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 77; }
work=$(mktemp -d)
mkfifo "$work/display"
# shellcheck disable=SC2086
Xvfb -displayfd 3 -nolisten tcp $options 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
number=$(timeout 20 head -n1 "$work/display")
if [ -z "$number" ]; then
  echo "the X server did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=:$number "$@"

#!/usr/bin/env bash
# Runs a command on a private X server, so that tests that move the pointer, own the clipboard or
# need a particular monitor layout do not disturb (and are not disturbed by) other tests.
#   with-xvfb.sh "XVFB OPTIONS" COMMAND [ARGS...]
# The display number is drawn at random from 100 up (display :0 is avoided: web processes fail to
# connect to it from their sandbox); a number another server holds is refused by Xvfb through its
# lock file, and another is tried. The server says when it is ready through -displayfd.
set -uo pipefail
options=$1
shift
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 77; }
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill $server 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
number=
for _ in $(seq 40); do
  candidate=$((100 + RANDOM % 900))
  rm -f "$work/display"
  mkfifo "$work/display"
  # shellcheck disable=SC2086
  Xvfb :$candidate -displayfd 3 -nolisten tcp $options 3>"$work/display" 2>"$work/xvfb.log" &
  server=$!
  number=$(timeout 20 head -n1 "$work/display")
  [ -n "$number" ] && break
  kill $server 2>/dev/null
  wait $server 2>/dev/null
  server=
done
if [ -z "$number" ]; then
  echo "the X server did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=:$number "$@"

#!/usr/bin/env bash
# Runs the screen tests on the private X server that with-xvfb.sh starts (one 1600 x 600 screen),
# cut into two monitors: the primary on the right, another on its left.
#   with-xvfb.sh "-noreset -screen 0 1600x600x24" screen-test.sh TEST-PROGRAM
set -euo pipefail
for tool in xrandr xdotool; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 77; }
done
xrandr --setmonitor LEFT 800/200x600/150+0+0 none >/dev/null
xrandr --setmonitor '*RIGHT' 800/200x600/150+800+0 screen >/dev/null
exec "$@"

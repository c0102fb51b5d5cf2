#!/usr/bin/env bash
# What the window reports as its bounds and client area is what the X server shows.
#   geometry-test.sh ULKA   (run from the apps folder, with a window manager)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/run-app.sh" "$1" 0 geometry/index.html &
app=$!
window=$(timeout 30 xdotool search --sync --name "^Geometry ready" | head -1)
[ -n "$window" ] || { echo "the window never became ready" >&2; kill $app; exit 1; }
read -r _ _ left top width height cwidth cheight <<<"$(xdotool getwindowname "$window")"
info=$(xwininfo -id "$window")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/  Width:/ {print $2}' <<<"$info")
h=$(awk '/  Height:/ {print $2}' <<<"$info")
wait $app || { echo "the application failed" >&2; exit 1; }
status=0
[ "$left $top $width $height" = "200 150 400 300" ] || { echo "Bounds reads $left $top $width $height" >&2; status=1; }
[ "$cwidth $cheight" = "$w $h" ] || { echo "ClientRect $cwidth x $cheight, X server $w x $h" >&2; status=1; }
# The client area sits inside the frame whose corner is at the bounds' corner.
if [ "$x" -lt 200 ] || [ "$y" -lt 150 ] || [ $((x + w)) -gt 600 ] || [ $((y + h)) -gt 450 ]; then
  echo "client area at $x,$y ${w}x$h lies outside the bounds" >&2; status=1
fi
exit $status

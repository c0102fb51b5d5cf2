#!/usr/bin/env bash
# Runs a command with a window manager (openbox) on the display, so that windows get real frames
# and can be maximized; the manager is stopped afterwards.
set -uo pipefail
if [ -z "${DISPLAY:-}" ]; then echo "no display: run under xvfb-run" >&2; exit 77; fi
if ! command -v openbox >/dev/null; then echo "openbox is not installed" >&2; exit 77; fi
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
trap 'kill $manager 2>/dev/null; wait $manager 2>/dev/null' EXIT
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
"$@"

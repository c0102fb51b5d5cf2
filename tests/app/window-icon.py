#!/usr/bin/env python3
"""Checks the icon a window shows the desktop: its _NET_WM_ICON as xprop reads it.

    window-icon.py WINDOW RRGGBB [SECONDS]

Waits up to SECONDS (default 15) for the window to carry pictures of 16 and 32 pixels whose
centre is the colour RRGGBB (each channel within 24) and opaque; exits 0 then, 1 otherwise, and
prints the sizes and centre colours it last saw.
"""
import subprocess
import sys
import time


def pictures(window):
    out = subprocess.run(["xprop", "-id", window, "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"],
                         capture_output=True, text=True).stdout
    if "=" not in out:
        return []
    values = [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]
    found, at = [], 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        pixels = values[at + 2:at + 2 + width * height]
        if width <= 0 or height <= 0 or len(pixels) != width * height:
            break
        found.append((width, height, pixels[(height // 2) * width + width // 2]))
        at += 2 + width * height
    return found


def matches(found, colour):
    want = [(colour >> shift) & 255 for shift in (16, 8, 0)]
    sizes = {(w, h) for w, h, _ in found}
    if not {(16, 16), (32, 32)} <= sizes:
        return False
    for _, _, argb in found:
        got = [(argb >> shift) & 255 for shift in (16, 8, 0)]
        if argb >> 24 != 255 or any(abs(a - b) > 24 for a, b in zip(got, want)):
            return False
    return True


def main():
    window, colour = sys.argv[1], int(sys.argv[2], 16)
    deadline = time.time() + (float(sys.argv[3]) if len(sys.argv) > 3 else 15)
    while True:
        found = pictures(window)
        if matches(found, colour):
            return 0
        if time.time() > deadline:
            seen = ", ".join("%dx%d #%06x alpha %d" % (w, h, c & 0xFFFFFF, c >> 24) for w, h, c in found)
            print("window %s icon: %s (expected #%06x)" % (window, seen or "none", colour))
            return 1
        time.sleep(0.2)


sys.exit(main())

#!/usr/bin/env bash
# The application's icon on its windows, as the desktop reads it (_NET_WM_ICON): the start page's
# <link rel="icon"> when nothing else gives one, the icon a packed program carries (ulka-pack
# --icon, an .ico or a PNG) over it, and a script's IBrowser.Icon over both; a second window of
# the program shows the main window's icon. The .ico files are made by Pillow, which stores PNG
# images in them (the usual modern icon); the PNG by ImageMagick.
#   icon-test.sh ULKA ULKA-PACK
set -uo pipefail
ulka=$1 pack=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
running=
trap '[ -n "$running" ] && kill "$running" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
if [ -z "${DISPLAY:-}" ]; then echo "no display: run under xvfb-run" >&2; exit 77; fi

app=$work/app
cp -r "$here/apps/icons" "$app"
# Debian's python, which has Pillow (tools/setup.sh installs python3-pil).
/usr/bin/python3 - "$app" "$work" <<'PY' || exit 99
import sys
from PIL import Image
app, work = sys.argv[1], sys.argv[2]
def ico(path, colour, sizes):
    Image.new("RGBA", (max(sizes), max(sizes)), colour + (255,)).save(path, sizes=[(s, s) for s in sizes])
    data = open(path, "rb").read()
    for i in range(int.from_bytes(data[4:6], "little")):
        offset = int.from_bytes(data[6 + 16 * i + 12:6 + 16 * i + 16], "little")
        assert data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n", path + " holds an image that is not PNG"
ico(app + "/page.ico", (32, 80, 224), [16, 32, 48])
ico(app + "/script.ico", (240, 200, 20), [16, 32, 64])
ico(work + "/program.ico", (224, 32, 32), [16, 32, 48, 256])
PY
convert -size 40x30 xc:'#20c040' "$work/program.png" || exit 99

# check NAME RRGGBB PROGRAM [ARGS...]: both windows of the program show an icon of that colour.
check() {
  local name=$1 colour=$2
  shift 2
  env HOME="$work/home-$name" XDG_DATA_HOME="$work/home-$name/data" XDG_CACHE_HOME="$work/home-$name/cache" \
      ULKA_MESSAGEBOX_ANSWER=1 timeout -k 5 90 "$@" > /dev/null 2> "$work/$name.log" &
  running=$!
  local main= second=
  for _ in $(seq 600); do  # generous: a loaded machine starts web views slowly
    main=$(xdotool search --onlyvisible --name '^Icon probe$' 2>/dev/null | head -n 1)
    second=$(xdotool search --onlyvisible --name '^IconProbe second$' 2>/dev/null | head -n 1)
    [ -n "$main" ] && [ -n "$second" ] && break
    sleep 0.1
  done
  if [ -z "$main" ] || [ -z "$second" ]; then
    fail "$name: the windows did not show: $(tail -5 "$work/$name.log")"
  else
    "$here/window-icon.py" "$main" "$colour" 30 && pass || fail "$name: the main window's icon"
    "$here/window-icon.py" "$second" "$colour" 30 && pass || fail "$name: the second window's icon"
  fi
  kill "$running" 2>/dev/null
  wait "$running" 2>/dev/null
  running=
}

check page 2050e0 "$ulka" "$app/index.html"
check script f0c814 "$ulka" "$app/index.html" ulka:script.ico
"$pack" --icon "$work/program.ico" "$app" "$work/with-ico" > "$work/pack-ico.log" 2>&1 || fail "packing with an .ico: $(cat "$work/pack-ico.log")"
check program-ico e02020 "$work/with-ico"
check program-and-script f0c814 "$work/with-ico" ulka:script.ico
"$pack" --icon "$work/program.png" "$app" "$work/with-png" > "$work/pack-png.log" 2>&1 || fail "packing with a PNG: $(cat "$work/pack-png.log")"
check program-png 20c040 "$work/with-png"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

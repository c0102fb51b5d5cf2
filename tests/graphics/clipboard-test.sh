#!/usr/bin/env bash
# Clipboard round trips with another program (xclip), on a private X server:
#   with-xvfb.sh "-noreset -screen 0 640x480x24" clipboard-test.sh ULKA-SCRIPT
set -uo pipefail
script=$1
here=$(cd "$(dirname "$0")" && pwd)
command -v xclip >/dev/null || { echo "xclip is not installed" >&2; exit 77; }
python=/usr/bin/python3
[ -x $python ] || python=python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Pictures made by Pillow: with an alpha channel (PNG) and without (BMP).
$python - "$work" <<'PY' || fail "Pillow could not make the pictures"
import sys
from PIL import Image
im = Image.new("RGBA", (4, 3))
for y in range(3):
    for x in range(4):
        im.putpixel((x, y), (60 * x, 80 * y, 200, 255 - 60 * x - 10 * y))
im.save(sys.argv[1] + "/in.png")
im.convert("RGB").save(sys.argv[1] + "/in.bmp")
PY

# 1. Another program's PNG, alpha included.
xclip -selection clipboard -t image/png -i "$work/in.png"
timeout 30 "$script" "$here/scripts/clipboard-paste.js" "$work/in.png" || fail "paste of image/png"

# 2. Another program's BMP (no PNG offered).
xclip -selection clipboard -t image/bmp -i "$work/in.bmp"
timeout 30 "$script" "$here/scripts/clipboard-paste.js" "$work/in.bmp" || fail "paste of image/bmp"

# 3. Text is no picture.
printf 'just text' | xclip -selection clipboard -t UTF8_STRING -i
timeout 30 "$script" "$here/scripts/clipboard-paste.js" none || fail "paste of text"

# 4. Our picture, pasted by another program.
timeout 60 "$script" "$here/scripts/clipboard-copy.js" "$work/saved.png" "$work/stop" >"$work/copy.log" 2>&1 &
copier=$!
targets=
for _ in $(seq 100); do
  targets=$(xclip -selection clipboard -t TARGETS -o 2>/dev/null || true)
  grep -qx image/png <<<"$targets" && grep -q '^copied' "$work/copy.log" && break
  sleep 0.1
done
grep -qx image/png <<<"$targets" || fail "no image/png offered: $targets $(cat "$work/copy.log")"
grep -qx image/bmp <<<"$targets" || fail "no other image type offered: $targets"
xclip -selection clipboard -t image/png -o >"$work/pasted.png" || fail "xclip could not read the picture"
echo stop >"$work/stop"
wait $copier || fail "the copying script failed: $(cat "$work/copy.log")"
$python - "$work/saved.png" "$work/pasted.png" <<'PY' || fail "the pasted picture differs"
import sys
from PIL import Image
saved, pasted = (Image.open(p).convert("RGBA") for p in sys.argv[1:3])
assert saved.size == pasted.size == (5, 3), (saved.size, pasted.size)
assert list(saved.getdata()) == list(pasted.getdata()), (list(saved.getdata()), list(pasted.getdata()))
assert pasted.getpixel((0, 0))[3] == 0 and pasted.getpixel((1, 1))[3] == 75
PY
echo "clipboard round trips passed"

#!/usr/bin/env bash
# A Debian package of a stand-alone program: built by ulka-pack --deb, checked with lintian and
# desktop-file-validate, then installed with dpkg, found in /usr/share/applications, started from
# /usr/bin under the display with the window class its entry names and the package's icon, and
# removed again.
#   deb-test.sh ULKA-PACK ULKA-SCRIPT
# Exits 77 (skipped) after the checks when the package cannot be installed here (not root, or
# the package database stays locked).
set -uo pipefail
pack=$1 script_runner=$2
here=$(cd "$(dirname "$0")" && pwd)
name=ulka-deb-probe
work=$(mktemp -d)
installed=no
cleanup() {
  if [ "$installed" = yes ]; then dpkg --purge "$name" >/dev/null 2>&1; fi
  rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
finish() { echo "$passed passed, $failed failed"; [ "$failed" = 0 ] && exit "${1:-0}"; exit 1; }
expect() { if grep -qF -- "$2" "$1"; then pass; else fail "$1 lacks: $2"; fi; }

cp -r "$here/apps/debprobe" "$work/app"
convert -size 64x64 xc:'#e08030' "$work/app/icon.png" || { echo "cannot make the icon"; exit 1; }
if ! "$pack" --deb "$name" --maintainer "Ulka Tests <tests@example.org>" "$work/app" "$work/" >"$work/pack.log" 2>&1; then
  cat "$work/pack.log"
  fail "ulka-pack --deb failed"
  finish
fi
deb=$work/${name}_2.1_$(dpkg --print-architecture).deb
[ -f "$deb" ] && pass || { fail "no $deb: $(ls "$work")"; finish; }
expect "$work/pack.log" "ulka-pack: icons from icon.png: 16, 22, 24, 32, 48, 64 pixels"

# What is inside, and what it depends on.
dpkg-deb -c "$deb" > "$work/contents"
for path in ./usr/bin/$name ./usr/lib/$name/extension/libulkaextension.so ./usr/share/applications/$name.desktop \
            ./usr/share/icons/hicolor/48x48/apps/$name.png ./usr/share/icons/hicolor/16x16/apps/$name.png \
            ./usr/share/doc/$name/copyright ./usr/share/doc/$name/changelog.gz; do
  expect "$work/contents" "$path"
done
dpkg-deb -f "$deb" Depends > "$work/depends"
expect "$work/depends" "libwebkit2gtk-4.1-0"
expect "$work/depends" "libc6"
dpkg-deb -x "$deb" "$work/root"
# The program carries the icon as its own (the group "MAINICON", an .ico made of icon.png).
cat > "$work/icon.js" <<'JS'
var group = rtl.LoadRes(rtl.Params(1), "MAINICON", 14);
rtl.Quit(group !== undefined && rtl.GetLength(group) > 6 ? 0 : 1);
JS
"$script_runner" "$work/icon.js" "$work/root/usr/bin/$name" && pass || fail "the packaged program carries no icon"
entry=$work/root/usr/share/applications/$name.desktop
for line in "Name=Deb Probe" "Comment=A probe of packages for the desktop" "Exec=$name %U" "Icon=$name" \
            "StartupWMClass=Deb Probe"; do
  expect "$entry" "$line"
done
if desktop-file-validate "$entry" > "$work/validate" 2>&1; then pass; else fail "desktop-file-validate: $(cat "$work/validate")"; fi
if lintian --fail-on error --no-tag-display-limit "$deb" > "$work/lintian" 2>&1; then pass
else fail "lintian found errors: $(cat "$work/lintian")"; fi
grep -E '^[EW]:' "$work/lintian" || true

# Installed for real: only as root, and only when the package database is free within a minute.
if [ "$(id -u)" != 0 ]; then echo "not root: the package is not installed"; finish 77; fi
if dpkg -s "$name" >/dev/null 2>&1; then dpkg --purge "$name" >/dev/null 2>&1; fi
for _ in $(seq 30); do
  if dpkg -i "$deb" > "$work/install" 2>&1; then installed=yes; break; fi
  grep -qi "lock" "$work/install" || break
  sleep 2
done
if [ "$installed" != yes ]; then
  if grep -qi "lock" "$work/install"; then echo "the package database stays locked"; finish 77; fi
  fail "dpkg -i: $(cat "$work/install")"
  finish
fi
pass
[ -f /usr/share/applications/$name.desktop ] && pass || fail "no /usr/share/applications/$name.desktop"
[ -x /usr/bin/$name ] && pass || fail "no /usr/bin/$name"

if [ -z "${DISPLAY:-}" ]; then echo "no display: the installed program is not started"; finish; fi
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
mkdir -p "$HOME"
ULKA_TRACE=1 timeout -k 5 60 "/usr/bin/$name" 2>"$work/run.log" &
pid=$!
window=
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --class "^Deb Probe$" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -n "$window" ]; then
  pass
  xprop -id "$window" WM_CLASS > "$work/class"
  expect "$work/class" '"Deb Probe"'
  # The program carries the package's icon (icon.png here) and shows it on its window.
  "$here/window-icon.py" "$window" e08030 && pass || fail "the installed program's window does not show the package's icon"
else
  fail "no window of class \"Deb Probe\": $(cat "$work/run.log")"
fi
wait "$pid"
code=$?
[ "$code" = 5 ] && pass || fail "the installed program exited with $code, expected 5: $(cat "$work/run.log")"
expect "$work/run.log" "web extension: /usr/lib/$name/extension"
dpkg --purge "$name" > "$work/purge" 2>&1 && installed=no && pass || fail "dpkg --purge: $(cat "$work/purge")"
[ ! -e /usr/bin/$name ] && pass || fail "/usr/bin/$name is still there"
finish

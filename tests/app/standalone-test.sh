#!/usr/bin/env bash
# A program made by ulka-pack stands alone: copied by itself into an empty folder and run with the
# build tree hidden, its page gets window.external from the web extension the program carries.
# The extension is unpacked into a private folder under XDG_RUNTIME_DIR (else the cache folder),
# named by its SHA-256, reused while its bytes are right and written again when not; a folder
# another user can write or own is never used; a program with no safe folder says so and exits
# non-zero; two programs starting at once both work.
#   standalone-test.sh BUILD ULKA-PACK
set -uo pipefail
build=$1 pack=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
if [ -z "${DISPLAY:-}" ]; then echo "no display: run under xvfb-run" >&2; exit 77; fi

"$pack" "$here/apps/standalone" "$work/made" > "$work/pack.log" 2>&1 || { cat "$work/pack.log"; exit 1; }
grep -q "with its web extension" "$work/pack.log" && pass || fail "the packer did not say it wrote the extension: $(cat "$work/pack.log")"
mkdir "$work/alone"
cp "$work/made" "$work/alone/standalone"
program=$work/alone/standalone

# The build tree hidden where that can be done (as root); elsewhere the program runs as it is.
hide=("$here/without-build-tree.sh" "$build")
if ! "${hide[@]}" true 2>/dev/null; then
  echo "the build tree stays visible: no mount namespace here"
  hide=()
fi

# run NAME [VAR=VALUE...] [env -u VAR]: runs the program in a home of its own; its standard error
# goes to $work/NAME.log, its exit code to $code and the function's status.
run() {
  local name=$1
  shift
  env HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" \
      XDG_RUNTIME_DIR="$work/runtime" ULKA_TRACE=1 ULKA_MESSAGEBOX_ANSWER=1 "$@" \
      timeout -k 5 60 ${hide[@]+"${hide[@]}"} "${program_to_run:-$program}" > /dev/null 2> "$work/$name.log"
  code=$?
  return "$code"
}
# The folder the program's trace names for its extension.
extension_folder() { sed -n 's/^web extension: //p' "$work/$1.log" | head -n 1; }

mkdir -m 0700 "$work/runtime"
mkdir -p "$work/home"
run first
[ "$code" = 0 ] && pass || fail "the program alone exited with $code (3: its page had no window.external): $(tail -5 "$work/first.log")"
folder=$(extension_folder first)
case $folder in
  "$work/runtime/ulka-extension/"????????????????????????????????????????????????????????????????) pass ;;
  *) fail "the extension was not unpacked under XDG_RUNTIME_DIR: \"$folder\"" ;;
esac
library=$folder/libulkaextension.so
[ -f "$library" ] && pass || fail "no $library"
[ "$(stat -c %a "$work/runtime/ulka-extension")" = 700 ] && [ "$(stat -c %a "$folder")" = 700 ] && pass ||
  fail "the extension's folders are not private: $(stat -c '%a %n' "$work/runtime/ulka-extension" "$folder")"
[ "$(stat -c %u "$library")" = "$(id -u)" ] && pass || fail "the extension does not belong to the user"
[ "$(sha256sum < "$library" | cut -d' ' -f1)" = "$(basename "$folder")" ] && pass ||
  fail "the extension's folder is not named after its SHA-256"
if grep -qF "$build" "$work/first.log"; then fail "the program named the build tree: $(grep -F "$build" "$work/first.log")"; else pass; fi

# Reused while right: the same file, not written again.
inode=$(stat -c %i "$library")
run again
[ "$code" = 0 ] && [ "$(stat -c %i "$library")" = "$inode" ] && pass ||
  fail "the second start (code $code) did not reuse the unpacked extension"

# A damaged copy is written again, whole.
chmod u+w "$library"
truncate -s 1000 "$library"
run damaged
[ "$code" = 0 ] && pass || fail "with a damaged copy the program exited with $code: $(tail -5 "$work/damaged.log")"
[ "$(sha256sum < "$library" | cut -d' ' -f1)" = "$(basename "$folder")" ] && pass || fail "the damaged copy was not replaced"

# A folder of the same name that is a link, or that other users may write, is never used: the
# cache folder serves instead.
rm -rf "$work/runtime/ulka-extension"
mkdir -m 0700 "$work/elsewhere"
ln -s "$work/elsewhere" "$work/runtime/ulka-extension"
run link
[ "$code" = 0 ] && [ "$(extension_folder link)" != "${folder/$work\/runtime/$work/elsewhere}" ] &&
  extension_folder link | grep -q "^$work/home/cache/ulka-extension/" && pass ||
  fail "a link in place of the private folder was followed (code $code): $(extension_folder link)"
rm "$work/runtime/ulka-extension"
mkdir -m 0777 "$work/runtime/ulka-extension"
chmod 0777 "$work/runtime/ulka-extension"
run open
[ "$code" = 0 ] && extension_folder open | grep -q "^$work/home/cache/ulka-extension/" && pass ||
  fail "a private folder others may write was used (code $code): $(extension_folder open)"
rm -rf "$work/runtime/ulka-extension"

# Without XDG_RUNTIME_DIR the cache folder serves.
rm -rf "$work/home/cache"
run no-runtime env -u XDG_RUNTIME_DIR
[ "$code" = 0 ] && extension_folder no-runtime | grep -q "^$work/home/cache/ulka-extension/" && pass ||
  fail "without XDG_RUNTIME_DIR (code $code): $(extension_folder no-runtime)"

# No safe folder at all: a word on standard error and a non-zero exit, no window.
mkdir -m 0777 "$work/open"
chmod 0777 "$work/open"
touch "$work/plain-file"
run nowhere XDG_RUNTIME_DIR="$work/open" XDG_CACHE_HOME="$work/plain-file/cache"
[ "$code" != 0 ] && [ "$code" != 124 ] && pass || fail "a program with nowhere for its extension exited with $code"
expected="standalone: cannot unpack the web extension: $work/open is not private: $work/open can be written by other users; $work/plain-file/cache"
grep -qF "$expected" "$work/nowhere.log" && pass || fail "the message is not \"$expected...\": $(cat "$work/nowhere.log")"

# A program that lost the extension it carries has nothing else to turn to: with the build tree
# hidden it says so and exits with 1 (an old program would have looked in the build tree).
cp "$program" "$work/alone/lost"
cat > "$work/drop.js" <<'JS'
rtl.Quit(rtl.UpdateRes(rtl.Params(1), 10, "ULKAEXTENSION", undefined) ? 0 : 1);
JS
"$build/app/ulka-script" "$work/drop.js" "$work/alone/lost" || fail "cannot take the extension out of a copy"
program_to_run=$work/alone/lost run lost
if [ ${#hide[@]} -gt 0 ]; then
  [ "$code" = 1 ] && pass || fail "a program without its extension exited with $code: $(tail -3 "$work/lost.log")"
  grep -qF "lost: cannot find the web extension libulkaextension.so (looked in $work/alone/extension and " \
    "$work/lost.log" && pass || fail "a program without its extension did not say so: $(cat "$work/lost.log")"
fi

# Two starts at once into an empty folder: both unpack, both run.
rm -rf "$work/runtime"
mkdir -m 0700 "$work/runtime"
run race-a & first_pid=$!
run race-b
code_b=$code
wait "$first_pid"
code_a=$?
[ "$code_a" = 0 ] && [ "$code_b" = 0 ] && pass ||
  fail "two programs started at once exited with $code_a and $code_b: $(tail -3 "$work/race-a.log" "$work/race-b.log")"
[ "$(extension_folder race-a)" = "$(extension_folder race-b)" ] && [ -n "$(extension_folder race-a)" ] && pass ||
  fail "two programs at once: \"$(extension_folder race-a)\" and \"$(extension_folder race-b)\""

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

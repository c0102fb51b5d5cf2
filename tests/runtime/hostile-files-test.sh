#!/usr/bin/env bash
# Files that are not what they seem, for every reader and writer of the runtime: pipes where a
# file is read (nothing may block on them) and symbolic links where a file is written (the link is
# replaced, the file it points to stays as it was).
#   hostile-files-test.sh ULKA-SCRIPT SCRIPTS-FOLDER
set -uo pipefail
runner=$1 scripts=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/pipe" "$dir/pipe.js"
mkdir "$dir/folder"
mkfifo "$dir/folder/pipe.txt"
echo plain > "$dir/folder/plain.txt"
echo victim > "$dir/victim"
cp "$runner" "$dir/program"
for writer in SaveFile Bytes Strings Xml Zip; do ln -s "$dir/victim" "$dir/link-$writer"; done
ln -s "$dir/program" "$dir/link-UpdateRes"

fail() { echo "$*" >&2; exit 1; }
timeout -k 5 30 "$runner" "$scripts/hostile_files.js" "$dir" || fail "hostile_files.js failed or hung (exit $?)"
[ "$(cat "$dir/victim")" = victim ] || fail "a write went through a link: $(cat "$dir/victim")"
cmp -s "$runner" "$dir/program" || fail "UpdateRes changed the program a link pointed to"
for link in "$dir"/link-*; do
  [ ! -L "$link" ] && [ -f "$link" ] || fail "$(basename "$link") is still a link"
done

# The runner's own script and its includes.
timeout -k 5 10 "$runner" "$dir/pipe" > "$dir/out" 2>&1
code=$?
[ "$code" != 124 ] && [ "$code" != 137 ] || fail "ulka-script hung on a pipe as its script"
[ "$code" != 0 ] || fail "ulka-script ran a pipe as its script"
echo '@include pipe
rtl.Quit(7);' > "$dir/includes.js"
timeout -k 5 10 "$runner" "$dir/includes.js"
code=$?
[ "$code" = 7 ] || fail "an include of a pipe: exit $code, expected 7 (124: hung)"
exit 0

#!/usr/bin/env bash
# A settings file that is a symbolic link is replaced when the placement is saved; the file it
# pointed to (any file the user can write) stays as it was.
#   settings-link-test.sh ULKA APP-PAGE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
fail() { echo "$*" >&2; exit 1; }
ULKA_TEST_HOME=$home "$here/run-app.sh" "$1" 0 "$2" || fail "first run failed"
settings=$(find "$home" -path "*UlkaTests/Linked/.settings")
[ -n "$settings" ] || fail "no settings file under the documents folder"
printf 'not settings\n' > "$home/victim"
ln -sf "$home/victim" "$settings"
ULKA_TEST_HOME=$home "$here/run-app.sh" "$1" 0 "$2" || fail "run with a linked settings file failed"
[ "$(cat "$home/victim")" = "not settings" ] || fail "the settings were written through the link: $(cat "$home/victim")"
[ ! -L "$settings" ] && [ -f "$settings" ] || fail "the settings file is still a link"
grep -q '<window ' "$settings" || fail "no placement saved: $(cat "$settings")"
exit 0

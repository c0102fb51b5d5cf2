#!/usr/bin/env bash
# The placement survives between runs: three runs of one application share a home folder.
#   settings-test.sh ULKA APP-PAGE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for run in 1 2 3; do
  ULKA_TEST_HOME=$home "$here/run-app.sh" "$1" 0 "$2" || { echo "run $run failed" >&2; exit 1; }
done
settings=$(find "$home" -path "*UlkaTests/Placement/.settings")
[ -n "$settings" ] || { echo "no settings file under the documents folder" >&2; exit 1; }
grep -Eq '<window state="0" left="-?[0-9]+" top="-?[0-9]+" width="[0-9]+" height="[0-9]+"' "$settings" ||
  { echo "unexpected settings: $(cat "$settings")" >&2; exit 1; }
# A broken file counts as missing: the application still starts and writes a new one.
echo '<settings><window' > "$settings"
ULKA_TEST_HOME=$home "$here/run-app.sh" "$1" 0 "$2" || { echo "run with a broken file failed" >&2; exit 1; }
grep -q '<run>1</run>' "$settings" || { echo "broken file not replaced: $(cat "$settings")" >&2; exit 1; }

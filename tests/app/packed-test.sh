#!/usr/bin/env bash
# A folder packed into a stand-alone program runs by itself: no parameter is consumed.
#   packed-test.sh ULKA-PACK ULKA FOLDER EXPECTED [ARGS...]
# With ULKA_PACK_FLAGS (say --seal) the program is packed with them. With HOSTILE_FOLDER=1 the
# program starts from a folder whose start.js, helper.js and data.txt would take over if it read
# them instead of its own.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pack=$1 ulka=$2 folder=$3 expected=$4
shift 4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$pack" ${ULKA_PACK_FLAGS:-} --host "$ulka" "$folder" "$out/app" >/dev/null || { echo "packing failed" >&2; exit 1; }
if [ -n "${HOSTILE_FOLDER:-}" ]; then
  mkdir "$out/cwd"
  echo 'rtl.Quit(66);' > "$out/cwd/start.js"
  echo 'var helperFrom = "current folder";' > "$out/cwd/helper.js"
  printf 'from the current folder' > "$out/cwd/data.txt"
  printf 'outside' > "$out/cwd/only-outside.txt"
  cd "$out/cwd" || exit 1
fi
"$here/run-app.sh" "$out/app" "$expected" "$@"

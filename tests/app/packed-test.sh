#!/usr/bin/env bash
# A folder packed into a stand-alone program runs by itself: no parameter is consumed.
#   packed-test.sh ULKA-PACK ULKA FOLDER EXPECTED [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pack=$1 ulka=$2 folder=$3 expected=$4
shift 4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$pack" --host "$ulka" "$folder" "$out/app" >/dev/null || { echo "packing failed" >&2; exit 1; }
"$here/run-app.sh" "$out/app" "$expected" "$@"

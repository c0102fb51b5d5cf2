#!/usr/bin/env bash
# Each application keeps its own website data: two applications served from the same scheme do
# not see each other's localStorage, and one application finds its own again in the next run.
#   storage-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export ULKA_TEST_HOME=$home
run() { "$here/run-app.sh" "$1" 0 "storage/$2" "$3" "$4" || { echo "run of $2 expecting $3 failed" >&2; exit 1; }; }
run "$1" a.html none from-a
run "$1" b.html none from-b
run "$1" a.html from-a again-a
run "$1" b.html from-b again-b
ls -d "$home"/data/ulka/*StoreA* >/dev/null || { echo "no data folder named after the application" >&2; exit 1; }

#!/usr/bin/env bash
# Placement round-trips: several runs of one application in one home folder open the window with
# the frame and client area the run before closed it with.
#   placement-test.sh ULKA APP-PAGE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for run in 1 2 3 4; do
  ULKA_TEST_HOME=$home "$here/run-app.sh" "$1" 0 "$2" || { echo "run $run failed" >&2; exit 1; }
done

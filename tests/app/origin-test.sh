#!/usr/bin/env bash
# Application pages on their own origin, in every kind of view (the origin application checks
# workers, modules, requests, WebAssembly and storage); storage lasts from one run to the next;
# uncaught errors and rejections reach standard error with their message, file and line.
#   origin-test.sh ULKA   (run from the apps folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
errors=$(mktemp)
trap 'rm -rf "$home" "$errors"' EXIT
export ULKA_TEST_HOME=$home
"$here/run-app.sh" "$1" 0 origin/index.html write || { echo "the first run failed" >&2; exit 1; }
"$here/run-app.sh" "$1" 0 --inspect origin/index.html read 2>"$errors" || { cat "$errors" >&2; echo "the second run failed" >&2; exit 1; }
status=0
for line in "ulka:checks.js:52: console.error: Uncaught Error: deliberate in main" \
            "ulka:checks.js:53: console.error: Unhandled rejection: Error: rejected in main" \
            "ulka:checks.js:52: console.error: Uncaught Error: deliberate in bar"; do
  grep -qxF "$line" "$errors" || { echo "missing on standard error: $line" >&2; status=1; }
done
[ $status = 0 ] || cat "$errors" >&2
exit $status

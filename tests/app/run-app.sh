#!/usr/bin/env bash
# Runs `ulka` on a test application and checks its exit code.
#   run-app.sh ULKA EXPECTED [--opens URL] [--zip FOLDER | PAGE] [ARGS...]
# With --opens, the run must also have asked the desktop to open URL.
# Each run gets its own home folder (settings, website data); message boxes answer by themselves
# and print their text; what the desktop would open is logged to $ULKA_SHELL_OPEN_LOG.
set -uo pipefail
ulka=$1 expected=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home=${ULKA_TEST_HOME:-$work/home}
export HOME=$home XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export ULKA_MESSAGEBOX_ANSWER=1 ULKA_SHELL_OPEN_LOG=${ULKA_SHELL_OPEN_LOG:-$work/opened.txt} ULKA_TEST_WORK=$work
mkdir -p "$HOME"
opens=
if [ "${1:-}" = --opens ]; then
  opens=$2
  shift 2
fi
if [ "${1:-}" = --zip ]; then
  (cd "$2" && zip -q -r "$work/app.zip" .) || exit 99
  shift 2
  set -- "$work/app.zip" "$@"
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "no display: run under xvfb-run" >&2
  exit 77
fi
timeout -k 5 60 "$ulka" "$@"
code=$?
if [ "$code" != "$expected" ]; then
  echo "exit code $code, expected $expected" >&2
  exit 1
fi
if [ -n "$opens" ] && ! grep -qxF "$opens" "$ULKA_SHELL_OPEN_LOG" 2>/dev/null; then
  echo "the desktop was not asked to open $opens" >&2
  exit 1
fi
exit 0

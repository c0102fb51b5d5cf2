#!/usr/bin/env bash
# Runs the whole suite headless: a private X server for the tests that open windows.
set -euo pipefail
build=${1:-build}
shift || true  # further arguments go to ctest (say -R PATTERN)
cd "$(dirname "$0")/.."
root=$(pwd)
# Sanitizer builds: platform libraries keep some allocations for the process's life.
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:report_mutex_bugs=0:second_deadlock_stack=1:suppressions=$root/tools/tsan.supp}"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 "$@"

#!/usr/bin/env bash
# Runs the whole suite headless: a private X server for the tests that open windows.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300

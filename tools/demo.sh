#!/usr/bin/env bash
# Opens the bundled sample.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
if [ -x "$build/app/ulka" ] && [ -d examples/sampler ]; then
  exec "$build/app/ulka" examples/sampler/index.html
fi
exec "$build/script/ulka-script" examples/hello.js "$@"

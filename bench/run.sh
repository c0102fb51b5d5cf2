#!/usr/bin/env bash
# Runs every benchmark of the build and prints each figure as a ratio against the baseline
# measured in the same run.
set -euo pipefail
build=${1:-build-bench}
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
for exe in "$build"/bench/bench_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  echo "== $name"
  "$exe" --benchmark_format=json --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null
  python3 "$here/ratios.py" "$out/$name.json"
done
for script in "$here"/*.sh; do
  case "$(basename "$script")" in run.sh) continue ;; esac
  echo "== $(basename "$script")"
  bash "$script" "$build"
done

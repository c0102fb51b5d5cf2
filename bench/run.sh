#!/usr/bin/env bash
# Runs every benchmark of the build and prints one table: each figure, its baseline measured in
# the same run, the ratio and the target. A part that fails shows in the table as not measured;
# the run goes on to the end.
#   run.sh BUILD
set -uo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export ULKA_BENCH_TABLE=$out/table.jsonl
: > "$ULKA_BENCH_TABLE"
# Kernels (Google Benchmark): each program's figures against their baselines.
for exe in "$build"/bench/bench_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  echo "== $name"
  if "$exe" --benchmark_format=json --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null; then
    python3 "$here/ratios.py" "$out/$name.json"
  else
    python3 "$here/table.py" failed "$name" "exited with $?"
  fi
done
# Whole programs: each script adds its own rows.
for script in "$here"/*.sh; do
  case "$(basename "$script")" in run.sh | display-env.sh) continue ;; esac
  echo "== $(basename "$script")"
  bash "$script" "$build" || python3 "$here/table.py" failed "$(basename "$script")" "exited with $?"
done
python3 "$here/table.py" print "$ULKA_BENCH_TABLE"

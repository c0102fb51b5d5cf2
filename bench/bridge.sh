#!/usr/bin/env bash
# The page bridge's figures (bridge_bench) under a private X server, added to the run's table:
#   a page-to-host call against a raw socket round trip        (target: at most 3 x)
#   100 MB page -> host -> page against a raw transfer there and back (target: at most 3 x),
#   and the peak memory of either process for it              (target: at most 3 x the payload)
#   bridge.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/display-env.sh"
if ! timeout 600 "$build/bench/bridge_bench" > "$work/rows"; then
  python3 "$here/table.py" failed "page bridge" "bridge_bench did not finish"
fi
while IFS='|' read -r tag figure value baseline baseline_value ratio sense target kind; do
  [ "$tag" = ROW ] && python3 "$here/table.py" row "$figure" "$value" "$baseline" "$baseline_value" "$ratio" "$sense" "$target" "$kind"
done < "$work/rows"

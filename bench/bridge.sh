#!/usr/bin/env bash
# The page bridge's figures (bridge_bench) under a private X server, added to the run's table:
#   a page-to-host call against a raw socket round trip        (target: at most 3 x)
#   100 MB page -> host -> page against a raw transfer there and back (target: at most 3 x),
#   and the peak memory of either process for it              (target: at most 3 x the payload)
#   bridge.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
export WEBKIT_DISABLE_DMABUF_RENDERER=1
work=$(mktemp -d)
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME"
trap 'rm -rf "$work"' EXIT
if ! timeout 600 "$build/bench/bridge_bench" > "$work/rows"; then
  python3 "$here/table.py" failed "page bridge" "bridge_bench did not finish"
fi
while IFS='|' read -r tag figure value baseline baseline_value ratio sense target kind; do
  [ "$tag" = ROW ] && python3 "$here/table.py" row "$figure" "$value" "$baseline" "$baseline_value" "$ratio" "$sense" "$target" "$kind"
done < "$work/rows"

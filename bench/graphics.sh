#!/usr/bin/env bash
# Bitmap figures against Pillow, and screenshots against ImageMagick's import, measured in the same run:
#   decode of a 24-megapixel JPEG, its PNG and JPEG (quality 90) encoding, and a 4x Lanczos
#   downscale (Draw against Image.resize): at least 1.0 x Pillow's speed each, by CPU time;
#   Screen.Screenshot() of a whole 1920 x 1080 screen against `import -window root`: at least 2 x
#   import's speed, by wall time.
#   graphics.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
[ -x $python ] || python=python3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# A photograph-like picture (ImageMagick's plasma fractal), made once per build folder.
photo=$build/bench/photo-6000x4000.jpg
if [ ! -s "$photo" ]; then
  echo "making $photo (once)..."
  convert -seed 7 -size 6000x4000 plasma:fractal -blur 0x0.6 -quality 92 "$photo"
fi

# Rounds that alternate between the two, so that changing load on a shared machine meets both alike.
ulka=() pillow=()
for round in 1 2 3; do
  ULKA_BENCH_IMAGE=$photo "$build/bench/bitmap_bench" --benchmark_format=json \
    --benchmark_out="$out/ulka-$round.json" --benchmark_out_format=json >/dev/null
  $python "$here/graphics/pillow_bench.py" "$photo" >"$out/pillow-$round.json"
  ulka+=("$out/ulka-$round.json") pillow+=("$out/pillow-$round.json")
done
$python "$here/graphics/ratios.py" "$(IFS=,; echo "${ulka[*]}")" "$(IFS=,; echo "${pillow[*]}")"

# Screenshots, on a private X server (what the screen shows does not change the cost of reading it).
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
screenshots() {
  local ours import script
  ours=$("$build/app/ulka-script" "$here/graphics/screenshot.js" 20)
  import=$(for _ in 1 2 3 4 5; do
    local t0; t0=$(date +%s.%N)
    import -window root rgb:/dev/null
    awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { print (b - a) * 1000 }'
  done | median)
  script=$(for _ in 1 2 3 4 5; do
    local t0; t0=$(date +%s.%N)
    "$build/app/ulka-script" "$here/graphics/screenshot.js" 1 >/dev/null
    awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { print (b - a) * 1000 }'
  done | median)
  python3 "$here/table.py" row "Screen.Screenshot() of 1920 x 1080" "$(printf '%.1f ms' "$ours")" \
    "import -window root" "$(printf '%.1f ms' "$import")" "$(awk -v o="$ours" -v i="$import" 'BEGIN { print i / o }')" \
    "at least" 2 speed
  awk -v i="$import" -v s="$script" 'BEGIN {
    printf "  as whole programs: ulka-script taking one screenshot %.1f ms, %.2f x import'"'"'s speed\n", s, i / s }'
}
export -f screenshots median
export build here
"$here/../tests/graphics/with-xvfb.sh" "-screen 0 1920x1080x24" bash -c screenshots

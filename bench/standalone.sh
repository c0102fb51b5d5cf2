#!/usr/bin/env bash
# Stand-alone programs made by the build's ulka-pack, added to the run's table:
#   the size of a hello-world program without its package   (target: at most 2 MB)
#   start to first paint with a 50 MB package sealed, against the same package plain
#                                                            (target: at most 1.3 x)
# The paint times are medians of runs that alternate between the two programs.
#   standalone.sh BUILD
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/display-env.sh"
row() { python3 "$here/table.py" row "$@"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now() { date +%s.%N; }
# The bytes of the package a program carries: its "ULKA" resource.
package_size() {
  cat > "$work/size.js" <<'JS'
console.log(rtl.GetLength(rtl.LoadRes(rtl.Params(1), "ULKA", 23)));
JS
  "$build/app/ulka-script" "$work/size.js" "$1"
}

mkdir "$work/hello"
cp "$here/web/hello.html" "$here/web/start.js" "$work/hello/"
"$build/ulka-pack" "$work/hello" "$work/hello-program" >/dev/null
size=$(stat -c %s "$work/hello-program")
package=$(package_size "$work/hello-program")
row "stand-alone hello-world program, without its package" \
  "$(awk -v s="$size" -v p="$package" 'BEGIN { printf "%.2f MB (%.2f MB with its %.1f kB package)", (s - p) / 1048576, s / 1048576, p / 1024 }')" \
  "limit" "2 MB" "$(awk -v s="$size" -v p="$package" 'BEGIN { print (s - p) / 2097152 }')" "at most" 1 size

mkdir "$work/big"
cp "$here/web/hello.html" "$here/web/start.js" "$work/big/"
head -c $((50 * 1048576)) /dev/urandom > "$work/big/big.bin"
"$build/ulka-pack" "$work/big" "$work/plain-program" >/dev/null
"$build/ulka-pack" --seal "$work/big" "$work/sealed-program" >/dev/null
seconds() {
  local t0; t0=$(now)
  timeout 60 "$@" >/dev/null 2>&1
  awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }'
}
for _ in 1 2 3 4 5 6 7; do
  echo "plain $(seconds "$work/plain-program" quit)"
  echo "sealed $(seconds "$work/sealed-program" quit)"
done > "$work/times"
plain=$(awk '$1 == "plain" { print $2 }' "$work/times" | median)
sealed=$(awk '$1 == "sealed" { print $2 }' "$work/times" | median)
row "start to first paint, 50 MB package sealed" "$(printf '%.3f s' "$sealed")" "the same plain" "$(printf '%.3f s' "$plain")" \
  "$(awk -v a="$sealed" -v b="$plain" 'BEGIN { print a / b }')" "at most" 1.3 time

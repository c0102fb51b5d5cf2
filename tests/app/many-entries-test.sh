#!/usr/bin/env bash
# A stand-alone program whose package holds many entries serves each of them correctly. It is
# made from the packager's own host, the stripped one.
#   many-entries-test.sh ULKA-PACK APPS-FOLDER
# With ULKA_PACK_FLAGS (say --seal) the program is packed with them.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pack=$1 apps=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cp -r "$apps/manyentries" "$out/app"
mkdir "$out/app/files"
python3 - "$out/app" <<'PY' || exit 99
import sys
root = sys.argv[1]
for i in range(300):
    with open(f"{root}/files/f{i}.txt", "w") as f:
        f.write(f"entry {i}\n" * ((i * 37) % 400 + 1))
with open(f"{root}/big.bin", "wb") as f:
    f.write(bytes((k * 7) & 255 for k in range(3 << 20)))
PY
"$pack" ${ULKA_PACK_FLAGS:-} "$out/app" "$out/program" >/dev/null || { echo "packing failed" >&2; exit 1; }
"$here/run-app.sh" "$out/program" 0

#!/usr/bin/env bash
# Installs the TypeScript compiler that the tests run on the generated declarations (ulka.d.ts)
# into tools/typescript/node_modules, at the version tools/typescript/package.json pins.
# Checks first, so a second run costs nothing.
set -euo pipefail
cd "$(dirname "$0")/typescript"
wanted=$(sed -n 's/.*"typescript": "\(.*\)".*/\1/p' package.json)
installed=$(node -p 'require("./node_modules/typescript/package.json").version' 2>/dev/null || true)
if [ "$installed" = "$wanted" ]; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "Installing: nodejs npm"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -q \
    --no-install-recommends nodejs npm
fi
echo "Installing: typescript $wanted (npm)"
npm install --no-package-lock --no-audit --no-fund --loglevel=error

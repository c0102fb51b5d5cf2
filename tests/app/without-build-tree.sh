#!/usr/bin/env bash
# Runs a command with the build tree hidden, as on a machine that never built Ulka: an empty file
# system is mounted over BUILD in a mount namespace of the command's own (the rest of the system
# sees the build as it is).
#   without-build-tree.sh BUILD COMMAND [ARGS...]
# Exits 77 (skipped) when no mount namespace can be made: that takes root. (A user namespace would
# do for the mount, but in one the system's folders belong to nobody known, and a stand-alone
# program rightly refuses to unpack its extension under them.)
set -uo pipefail
build=$(cd "$1" && pwd) || exit 1
shift
if [ "$(id -u)" != 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
  echo "cannot hide the build tree here (a mount namespace takes root)" >&2
  exit 77
fi
exec unshare --mount --propagation private \
  sh -c 'mount -t tmpfs -o size=1m,mode=0755 ulka-hidden-build "$0" && exec "$@"' "$build" "$@"

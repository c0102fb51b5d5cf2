#!/bin/sh
# The ulka-pack command: runs tools/ulka-pack.js, which packs a folder into a stand-alone program,
# then marks the program executable, or with --deb builds the Debian package from the files the
# script staged (tools/ulka-deb.sh). The build's and the installation's ulka-pack call it as
#   ulka-pack.sh SCRIPT_RUNNER PACK_SCRIPT [--keys FILE] [--default-host PROGRAM] [--extension FILE]
#                [--packed-extension FILE.xz] [ARGS...]
set -u
runner=$1 script=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

stage=$(mktemp -d "${TMPDIR:-/tmp}/ulka-pack.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT INT TERM

# What only a package needs: the host without debug information, the architecture, a maintainer.
deb=no host=
previous=
for argument; do
  case $previous in
    --host) host=$argument ;;
    --default-host) [ -n "$host" ] || host=$argument ;;
  esac
  [ "$argument" = --deb ] && deb=yes
  previous=$argument
done
extra=
if [ "$deb" = yes ]; then
  for tool in dpkg-deb dpkg-shlibdeps strip; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "ulka-pack: --deb needs $tool (Debian's dpkg-dev and binutils)" >&2
      exit 1
    fi
  done
  if [ -n "$host" ] && [ -f "$host" ]; then
    strip --strip-unneeded -o "$stage/host" "$host" 2>/dev/null || cp "$host" "$stage/host"
    set -- --deb-host "$stage/host" "$@"
  fi
  set -- --arch "$(dpkg --print-architecture)" "$@"
  if [ -n "${DEBFULLNAME:-}" ] && [ -n "${DEBEMAIL:-}" ]; then
    set -- --default-maintainer "$DEBFULLNAME <$DEBEMAIL>" "$@"
  fi
fi

"$runner" "$script" --stage "$stage" "$@" || exit $?

if [ -f "$stage/program-output" ]; then
  chmod +x "$(cat "$stage/program-output")" || exit 1
elif [ -f "$stage/deb-output" ]; then
  "$here/ulka-deb.sh" "$stage" || exit $?
fi
exit 0

#!/usr/bin/env bash
# `make install` with a PREFIX (and a DESTDIR): every file in place, the installed programs answer,
# the installed launcher finds its web extension under the prefix, and the installed packager
# makes a program that runs.
#   install-test.sh BUILD_DIR
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
for file in bin/ulka bin/ulka-script bin/ulka-pack lib/ulka/extension/libulkaextension.so lib/ulka/ulka-standalone \
            lib/ulka/libulkaextension.so.xz \
            share/ulka/ulka.d.ts share/ulka/ulka-pack.js share/ulka/ulka-pack.sh share/ulka/ulka-deb.sh \
            share/doc/ulka/reference/index.html share/doc/ulka/reference/IRtl.html share/doc/ulka/guide.md \
            share/man/man1/ulka.1 share/man/man1/ulka-script.1 share/man/man1/ulka-pack.1; do
  [ -e "$prefix/$file" ] && pass || fail "$file is not installed"
done
for program in ulka ulka-script ulka-pack; do
  [ -x "$prefix/bin/$program" ] && pass || fail "bin/$program is not executable"
  "$prefix/bin/$program" --version > "$work/version" 2>&1 && grep -q "^$program 1.0" "$work/version" && pass ||
    fail "$program --version: $(cat "$work/version")"
done
# The installed packer names installed files only.
build_real=$(cd "$build" && pwd)
if grep -qF "$build_real" "$prefix/bin/ulka-pack"; then fail "the installed ulka-pack names the build tree: $(cat "$prefix/bin/ulka-pack")"; else pass; fi
# Formatted without a sanitizer's runtime the tests may preload (troff itself would trip it).
env -u LD_PRELOAD man -l "$prefix/share/man/man1/ulka-pack.1" > /dev/null 2>&1 && pass || fail "ulka-pack.1 does not format"

# DESTDIR: the files go under it, the packager still names the prefix.
DESTDIR=$work/stage cmake --install "$build" --prefix /opt/ulka > /dev/null 2>&1
[ -x "$work/stage/opt/ulka/bin/ulka" ] && pass || fail "DESTDIR is not honoured"
grep -q '"/opt/ulka/share/ulka/ulka-pack.sh"' "$work/stage/opt/ulka/bin/ulka-pack" && pass ||
  fail "the packager installed under DESTDIR does not name the prefix: $(cat "$work/stage/opt/ulka/bin/ulka-pack")"

if [ -z "${DISPLAY:-}" ]; then echo "no display: the installed programs are not started"; else
  cd "$here/apps" || exit 1
  ULKA_TRACE=1 "$here/run-app.sh" "$prefix/bin/ulka" 0 scheme/index.html one two 2> "$work/run.log" && pass ||
    fail "the installed ulka: $(tail -5 "$work/run.log")"
  grep -qF "web extension: $prefix/lib/ulka/extension" "$work/run.log" && pass ||
    fail "the installed ulka does not use its own extension: $(grep 'web extension' "$work/run.log")"
  "$prefix/bin/ulka-pack" scheme "$work/packed" > "$work/pack.log" 2>&1 && pass || fail "installed ulka-pack: $(cat "$work/pack.log")"
  "$here/run-app.sh" "$work/packed" 0 one two && pass || fail "the program the installed ulka-pack made"
  # It needs nothing of the build tree: run with the build hidden, its page still gets
  # window.external (the scheme application checks it) from the extension it carries.
  ULKA_TRACE=1 "$here/without-build-tree.sh" "$build" "$here/run-app.sh" "$work/packed" 0 one two 2> "$work/hidden.log"
  case $? in
    0) pass
       grep -q "^web extension: .*/ulka-extension/[0-9a-f]*$" "$work/hidden.log" && pass ||
         fail "the program did not use the extension it carries: $(grep 'web extension' "$work/hidden.log")" ;;
    77) echo "the build tree stays visible: $(tail -1 "$work/hidden.log")" ;;
    *) fail "the installed ulka-pack's program with the build tree hidden: $(tail -5 "$work/hidden.log")" ;;
  esac
  # A copy of the stripped host, not of bin/ulka with its symbols.
  readelf -S --wide "$work/packed" | grep -q '\.symtab' && fail "the installed ulka-pack copied a host with symbols" || pass
fi
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

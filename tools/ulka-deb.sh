#!/bin/sh
# Builds the Debian package whose files tools/ulka-pack.js staged:
#   ulka-deb.sh STAGE
# STAGE/root holds the package's files and DEBIAN/control (with Depends still to compute),
# STAGE/changelog the changelog, STAGE/deb-output the .deb's place (a file, a folder or empty)
# and its usual file name. Depends comes from the shared libraries the program and the web
# extension really use (dpkg-shlibdeps).
set -eu
stage=$1
root=$stage/root
{ read -r output; read -r file_name; } < "$stage/deb-output"
package=$(sed -n 's/^Package: //p' "$root/DEBIAN/control")
say() { echo "ulka-pack: $*"; }

if [ -z "$output" ]; then
  output=$file_name
elif [ -d "$output" ]; then
  output=${output%/}/$file_name
fi

# The extension comes stripped too; the program already is (its package sits after the ELF
# image, which strip would drop).
strip --strip-unneeded --remove-section=.comment "$root/usr/lib/$package/extension/libulkaextension.so"

mkdir -p "$root/usr/share/doc/$package"
gzip -9n < "$stage/changelog" > "$root/usr/share/doc/$package/changelog.gz"

say "finding the libraries it needs"
mkdir -p "$stage/shlibs/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$package" "$package" > "$stage/shlibs/debian/control"
depends=$(cd "$stage/shlibs" && dpkg-shlibdeps -O -e"$root/usr/bin/$package" \
          -e"$root/usr/lib/$package/extension/libulkaextension.so" 2>"$stage/shlibdeps.log" |
          sed -n 's/^shlibs:Depends=//p') || true
if [ -z "$depends" ]; then
  echo "ulka-pack: cannot tell the libraries $package needs:" >&2
  cat "$stage/shlibdeps.log" >&2
  exit 1
fi
sed -i "s/^Depends: .*/Depends: $depends/" "$root/DEBIAN/control"
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
sed -i "/^Architecture: /a Installed-Size: $size" "$root/DEBIAN/control"

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/$package"
(cd "$root" && find usr -type f -exec md5sum {} + | sort -k 2) > "$root/DEBIAN/md5sums"

say "building $output"
dpkg-deb --root-owner-group -Zxz --build "$root" "$output" >/dev/null
say "$output: $package, depends on $depends"

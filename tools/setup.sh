#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Ulka need.
# Checks first, so a second run costs nothing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # libraries
  libwebkit2gtk-4.1-dev libjavascriptcoregtk-4.1-dev libgtk-3-dev
  libssl-dev libxml2-dev libcurl4-openssl-dev zlib1g-dev
  # stand-alone programs carry the web extension compressed with xz
  liblzma-dev xz-utils
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils openbox
  zip unzip python3 openssl
  nettle-dev libgcrypt20-dev
  gcc-mingw-w64-i686 binutils-mingw-w64-i686 icoutils python3-pefile
  clang-14 libclang-rt-14-dev
  # network clients: mail parsing; a POP3 server and the curl program for tests and benchmarks
  libgmime-3.0-dev glib-networking dovecot-pop3d curl
  # graphics: codecs, resampling, screen input; tools that make and read test images
  libpng-dev libjpeg62-turbo-dev libwebp-dev libgdk-pixbuf-2.0-dev libpixman-1-dev libx11-dev libxtst-dev libxrandr-dev
  webp-pixbuf-loader imagemagick python3-pil xclip x11-xserver-utils
  # desktop services: file types for opening files with their default application
  shared-mime-info
  # Debian packages of stand-alone programs (ulka-pack --deb): Depends from the libraries used,
  # and the checks the tests run on the package and its desktop entry
  dpkg-dev lintian desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
# Another installer may hold the package lock (a parallel build): wait for it rather than fail.
lock_wait=(-o DPkg::Lock::Timeout=900)
"${sudo_cmd[@]}" apt-get "${lock_wait[@]}" update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" install -y -q --no-install-recommends "${missing[@]}"

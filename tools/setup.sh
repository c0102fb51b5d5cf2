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
  libpng-dev libjpeg62-turbo-dev libwebp-dev libgif-dev libgdk-pixbuf-2.0-dev libpixman-1-dev libx11-dev libxtst-dev libxrandr-dev
  webp-pixbuf-loader imagemagick python3-pil xclip x11-xserver-utils
  # desktop services: file types for opening files with their default application
  shared-mime-info
  # time zones the date tests run in; the Turkish locale, whose dotless i the name comparisons
  # are tested under
  tzdata locales
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

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # Another installer may hold the package lock (a parallel build): wait for it rather than fail.
  lock_wait=(-o DPkg::Lock::Timeout=900)
  "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi

# Locales the tests run under.
for wanted in tr_TR.UTF-8; do
  short=$(echo "$wanted" | sed 's/UTF-8/utf8/')
  if ! locale -a 2>/dev/null | grep -qx "$short"; then
    echo "Generating the locale $wanted"
    if ! grep -q "^$wanted UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$wanted UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
  fi
done

#!/usr/bin/env bash
# Installs the Debian packages both builds and the tests need, only those missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ libgtest-dev googletest nlohmann-json3-dev
      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
      wine wine64 xvfb xauth imagemagick x11-apps x11-utils xdotool fonts-wine
      clang libclang-rt-dev jq python3 strace
      zlib1g-dev libz-mingw-w64-dev libxml2-utils unzip nodejs
      chromium poppler-utils msitools wixl icoutils faketime
      libzip-dev libexpat1-dev libutf8proc-dev libdeflate-dev dpkg-dev)
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
# The Windows build compiles libzip, expat, utf8proc, libdeflate and gumbo from Debian's source
# packages (scripts/build-deps.sh runs apt-get source): the sources need a deb-src entry.
src_list=/etc/apt/sources.list.d/testbank-deb-src.sources
need_update=0
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb-src\nURIs: http://deb.debian.org/debian-security\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" "$codename" "$codename" | $SUDO tee "$src_list" >/dev/null
  need_update=1
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The export checks install their GIFT parser with npm; some nodejs builds bring it along.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

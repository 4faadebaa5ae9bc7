#!/usr/bin/env bash
# Installs the Debian packages both builds and the tests need, only those missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ libgtest-dev googletest nlohmann-json3-dev
      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
      wine wine64 xvfb xauth imagemagick x11-apps x11-utils xdotool fonts-wine
      clang libclang-rt-dev jq python3 strace
      zlib1g-dev libz-mingw-w64-dev libxml2-utils unzip nodejs
      chromium poppler-utils)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The export checks install their GIFT parser with npm; some nodejs builds bring it along.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

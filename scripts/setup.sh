#!/usr/bin/env bash
# Installs every package the build, the program and the tests need (Debian 12, as root).
# Idempotent: when everything is present it installs nothing.
set -euo pipefail

packages=(
  wine wine32:i386 wine64
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix g++ cmake make
  xvfb xauth x11-utils imagemagick openbox
  googletest
  sox espeak-ng
  mgetty-voice mgetty-pvftools
  procps psmisc
  python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32:i386)
fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

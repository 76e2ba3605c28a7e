#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine (as root).
set -euo pipefail
pkgs=(cmake ninja-build g++ clang mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
      zlib1g-dev googletest wine wine64 xvfb xauth xdotool imagemagick python3)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine: as root
# directly, as a user through sudo (only the package installation runs as root).
set -euo pipefail
# fonts-wine: Wine's MS Sans Serif, Tahoma and Marlett, which the wizard is laid
# out for (the lean install of wine leaves them out, and every text is cut).
# git: the release build takes its date from the last commit.
# osslsigncode, openssl: signing the release (scripts/sign.sh) and its test.
# libssl-dev: SHA-256 for tools/payload_table, which binds the payload to Setup.exe.
pkgs=(cmake ninja-build g++ clang mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
      zlib1g-dev libssl-dev googletest wine wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick
      python3 git osslsigncode openssl)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# as_root COMMAND...: root runs it as it is (a fresh Debian has no sudo), a user through sudo.
as_root() {
    if [[ $(id -u) == 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "Installing packages needs root: run this as root, or install sudo" >&2
        exit 1
    fi
}
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The build uses CMake 3.25 (add_subdirectory(... SYSTEM), presets).
cmake_version=$(cmake --version | sed -n '1s/[^0-9]*\([0-9][0-9.]*\).*/\1/p')
if [[ "$(printf '%s\n' 3.25 "$cmake_version" | sort -V | head -1)" != 3.25 ]]; then
    echo "CMake $cmake_version is too old: the build needs 3.25 or newer" >&2
    exit 1
fi

#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any
# is missing, and the ja_JP.UTF-8 locale (Wine then uses code page 932).
# Quiet and quick when everything is present. Run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest libgtest-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
    wine wine64 xvfb xdotool x11-utils imagemagick locales fonts-ipafont-gothic
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi

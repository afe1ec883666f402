#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the release
# need, when any is missing, and the locales ja_JP.UTF-8 (Wine then uses code
# page 932) and en_US.UTF-8 (code page 1252, a Western system for the tests).
# Quiet and quick when everything is present. Run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest libgtest-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
    wine wine64 xvfb xdotool x11-utils imagemagick locales fonts-ipafont-gothic fonts-wine
    python3
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

missing=()
for l in ja_JP en_US; do
    locale -a 2>/dev/null | grep -qi "^$l.utf8$" && continue
    missing+=("$l")
    sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >>/etc/locale.gen
done
if ((${#missing[@]})); then locale-gen >/dev/null; fi

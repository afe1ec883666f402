#!/usr/bin/env bash
# The release: builds the shipped files (build/ship32, build/ship64), checks
# their imports and manifests, and makes build/release/pelmora-<version>-i686.zip
# and pelmora-<version>-x86_64.zip, each with pelmora.exe, ravik.dll, the user's
# guide はじめにお読みください.txt and LICENSE.txt (tools/package.py says how).
# The version is CMake's PELMORA_VERSION, the one the program's resources show:
#     bash tools/package.sh
#     cmake -S . -B build/ship32 -DPELMORA_VERSION=1.2.0 (and ship64); bash tools/package.sh
# Run as root from anywhere, after the set-up commands of the README.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"

bash "$root/tools/build.sh" ship32 ship64

version() { # the version a build was configured with
    cmake -N -L "$build/$1" 2>/dev/null | sed -n 's/^PELMORA_VERSION:STRING=//p'
}
version=$(version ship64)
if [ -z "$version" ] || [ "$version" != "$(version ship32)" ]; then
    echo "package: ship32 and ship64 must have one PELMORA_VERSION (they have" \
        "\"$(version ship32)\" and \"$version\")" >&2
    exit 1
fi

i686="$build/ship32/dist/i686"
x86_64="$build/ship64/dist/x86_64"
bash "$root/tools/check-imports.sh" "$i686"/{pelmora.exe,ravik.dll} "$x86_64"/{pelmora.exe,ravik.dll}
python3 "$root/tools/check-manifest.py" "$i686/pelmora.exe" "$x86_64/pelmora.exe"

# Every entry carries the time of the last commit, not the time of packing (the
# time of day when this is no git checkout).
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH
python3 "$root/tools/package.py" "$version" "$build/release" i686="$i686" x86_64="$x86_64"

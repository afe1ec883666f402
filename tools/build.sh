#!/usr/bin/env bash
# Installs what is missing, then configures and builds the given builds under
# build/ (default: all four), in this order. Shared by the test command and the
# benchmarks.
#     bash tools/build.sh [native] [ship64] [ship32] [win64]
#   native  the host compiler, the pure code and its tests, with sanitizers;
#   ship64  x86_64, win32-thread MinGW-w64: what ships (pelmora.exe, ravik.dll);
#   ship32  i686, win32-thread MinGW-w64: what ships, never run here;
#   win64   x86_64, posix-thread MinGW-w64: the tests, test tools and
#           benchmarks, which run the files of ship64 (build it first).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"

"$root/tools/setup-deps.sh"

configure() { # dir, extra cmake arguments...
    local dir=$1; shift
    cmake -S "$root" -B "$build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

builds=("$@")
((${#builds[@]})) || builds=(native ship64 ship32 win64)
for dir in "${builds[@]}"; do
    case $dir in
    native) configure native -DPELMORA_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug ;;
    ship64) configure ship64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64-win32.cmake" -DPELMORA_TESTS=OFF ;;
    ship32) configure ship32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-win32.cmake" -DPELMORA_TESTS=OFF ;;
    win64) configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
        -DPELMORA_SHIPPED_DIR="$build/ship64/dist/x86_64" ;;
    *) echo "build.sh: unknown build \"$dir\" (native, ship64, ship32 or win64)" >&2; exit 2 ;;
    esac
done
for dir in "${builds[@]}"; do
    echo "== build $dir"
    cmake --build "$build/$dir" -- -j"$(nproc)" --quiet
done

#!/usr/bin/env bash
# The test command: installs what is missing, builds the four builds (native;
# ship64 and ship32, the shipped files; win64, the tests, which run the files of
# ship64) and runs every test tier (native; Windows tests under Wine;
# end-to-end). Run as root from anywhere: bash tools/test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"

echo "== size of the tests"
bash "$root/tools/loc.sh"

"$root/tools/setup-deps.sh"

configure() { # dir, extra cmake arguments...
    local dir=$1; shift
    cmake -S "$root" -B "$build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
configure native -DPELMORA_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug
configure ship64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64-win32.cmake" -DPELMORA_TESTS=OFF
configure ship32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-win32.cmake" -DPELMORA_TESTS=OFF
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DPELMORA_SHIPPED_DIR="$build/ship64/dist/x86_64"
# ship64 before win64: the tests link and run its files.
for dir in native ship64 ship32 win64; do
    echo "== build $dir"
    cmake --build "$build/$dir" -- -j"$(nproc)" --quiet
done

echo "== layers and imports"
bash "$root/tools/check-layers.sh"
bash "$root/tools/check-imports.sh" "$build"

echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure

echo "== Windows tests under Wine"
. "$root/tools/wine-env.sh" "$build/win64"
trap pelmora_wine_stop EXIT
ctest --test-dir "$build/win64" --output-on-failure "$@"

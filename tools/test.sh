#!/usr/bin/env bash
# The test command: installs what is missing, builds the three builds (native,
# win64, win32) and runs every test tier (native; Windows tests under Wine;
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
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DPELMORA_TESTS=OFF
for dir in native win64 win32; do
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

#!/usr/bin/env bash
# The test command: installs what is missing, builds the four builds (native;
# ship64 and ship32, the shipped files; win64, the tests, which run the files of
# ship64), runs every test tier (native; Windows tests under Wine;
# end-to-end), then makes the release zips and checks them, the x86_64 program
# run from its zip. Run as root from anywhere: bash tools/test.sh
# Arguments go to ctest for the Windows tests (bash tools/test.sh -R wine.model);
# with them, the release is left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"

echo "== size of the tests"
bash "$root/tools/loc.sh"

bash "$root/tools/build.sh" native ship64 ship32 win64

echo "== layers, imports, function lengths and manifests"
bash "$root/tools/check-layers.sh"
bash "$root/tools/check-imports.sh" "$build"
bash "$root/tools/check-function-length.sh"
python3 "$root/tools/check-manifest.py" "$build"/ship64/dist/x86_64/pelmora.exe \
    "$build"/ship32/dist/i686/pelmora.exe

echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure

echo "== Windows tests under Wine"
. "$root/tools/wine-env.sh" "$build/win64"
trap pelmora_wine_stop EXIT
ctest --test-dir "$build/win64" --output-on-failure "$@"

if (($# == 0)); then
    echo "== release"
    bash "$root/tools/package.sh"
    bash "$root/tools/check-release.sh"
fi

#!/usr/bin/env bash
# The size of the tests beside the product's: non-blank lines of the .cpp, .h,
# .c, .def and .rc files in tests/ (support code included) and in the product's
# folders, the share of the tests, and the number of test executables the build
# makes (one from tests/native, one per tests/wine and tests/e2e *_test.cpp, as
# tests/CMakeLists.txt and the native build make them). Fails when the tests
# exceed 45 % of the product or there are more than 12 test executables.
# Run from anywhere: bash tools/loc.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

max_share=45
max_executables=12
product_folders=(hook core engine taskbar config app res)

lines() { # folders... -> non-blank lines of their source files
    local found=() folder
    for folder in "$@"; do
        if [ -d "$folder" ]; then found+=("$folder"); fi
    done
    if [ ${#found[@]} -eq 0 ]; then echo 0; return; fi
    find "${found[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \
        -o -name '*.def' -o -name '*.rc' \) -print0 | xargs -0 -r awk 'NF' | wc -l
}

existing=()
for folder in "${product_folders[@]}"; do
    if [ -d "$folder" ]; then existing+=("$folder"); fi
done
tests=$(lines tests)
product=$(lines "${existing[@]}")

executables=0
if compgen -G 'tests/native/*_test.cpp' >/dev/null; then executables=1; fi
for tier in wine e2e; do
    if [ -d "tests/$tier" ]; then
        executables=$((executables + $(find "tests/$tier" -maxdepth 1 -name '*_test.cpp' | wc -l)))
    fi
done

share=$(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.1f", p ? 100 * t / p : 100 }')
printf 'tests             %5d lines\n' "$tests"
printf 'product           %5d lines (%s)\n' "$product" "${existing[*]}"
printf 'share             %5s %% (at most %d %%)\n' "$share" "$max_share"
printf 'test executables  %5d (at most %d)\n' "$executables" "$max_executables"

status=0
if awk -v t="$tests" -v p="$product" -v m="$max_share" 'BEGIN { exit !(100 * t > m * p) }'; then
    echo "loc.sh: the tests are more than $max_share % of the product" >&2
    status=1
fi
if [ "$executables" -gt "$max_executables" ]; then
    echo "loc.sh: more than $max_executables test executables" >&2
    status=1
fi
exit $status

#!/usr/bin/env bash
# Checks that every include of the product points down the layers:
#     hook < res < core < taskbar < engine < config < app
# A file may include headers of its own folder and of the folders before it,
# never of one after it. (The layer libraries of CMakeLists.txt check calls.)
#     bash tools/check-layers.sh
set -uo pipefail
cd "$(dirname "$0")/.."
layers=(hook res core taskbar engine config app)
failed=0
for ((i = 0; i < ${#layers[@]}; ++i)); do
    for ((j = i + 1; j < ${#layers[@]}; ++j)); do
        hits=$(grep -rn -E --include="*.cpp" --include="*.h" --include="*.rc" "#include \"${layers[j]}/" "${layers[i]}/" 2>/dev/null)
        if [ -n "$hits" ]; then
            echo "check-layers: ${layers[i]}/ includes ${layers[j]}/, a layer above it:" >&2
            echo "$hits" | sed 's/^/    /' >&2
            failed=1
        fi
    done
done
[ "$failed" = 0 ] && echo "check-layers: every include points down (${layers[*]})"
exit "$failed"

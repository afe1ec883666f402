#!/usr/bin/env bash
# Checks that the shipped files load on the oldest Windows each build is for:
# every function pelmora.exe and ravik.dll import must be listed in
# tools/imports-allowed.txt with a Windows no newer than the build's floor
# (i686: Windows 2000; x86_64: Server 2003 / 64-bit XP). pelmora.exe must also
# import ravik.dll, and only functions the ravik.dll beside it exports, and
# carry none of the test build's code: its symbol table names the allocator
# (so there is a table to read) and none of the allocation switch's functions.
#     bash tools/check-imports.sh <build folder>   (its ship64 and ship32 builds)
#     bash tools/check-imports.sh FILE...          (any shipped .exe or .dll)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
allowed=$root/tools/imports-allowed.txt
objdump=x86_64-w64-mingw32-objdump # reads both pei-i386 and pei-x86-64
export LC_ALL=C                    # objdump's headings are matched in English

if [ $# -eq 1 ] && [ -d "$1" ]; then
    set -- "$1"/ship64/dist/x86_64/{pelmora.exe,ravik.dll} "$1"/ship32/dist/i686/{pelmora.exe,ravik.dll}
fi
[ $# -gt 0 ] || { echo "usage: check-imports.sh <build folder> | FILE..." >&2; exit 2; }

# "DLL function" for every import of a file, one a line; "? line" for an import
# it cannot read (by ordinal, say), which no list entry matches.
imports() {
    "$objdump" -p "$1" | awk '
        /^[[:space:]]*DLL Name:/ { dll = $3; next }
        dll == "" { next }
        /^[[:space:]]*$/ { dll = ""; next }
        /^[[:space:]]*vma:/ { next }
        NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3; next }
        { print "?", dll ":" $0 }'
}

exports() { # the names a DLL exports
    "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
                              on && NF == 0 { on = 0 } on { print $NF }'
}

failed=0
fail() { echo "check-imports: $*" >&2; failed=1; }

# The names of the functions a file defines, without their parameters.
defined_functions() {
    x86_64-w64-mingw32-nm -C --defined-only "$1" | awk '$2 ~ /^[Tt]$/' |
        sed -E 's/^[0-9a-f]+ [Tt] _?//; s/\(.*//'
}

# Functions pelmora.exe must have (the allocator behind the test build's seam,
# here the system's) and functions only the test build has.
shipped_functions="ObjAlloc ObjFree SystemAlloc SystemFree"
test_only_functions="ObjAllocFailAfter ObjAllocRefusals ObjLiveBlocks"

check_no_test_code() {
    local names name ok=1
    names=$(defined_functions "$1")
    for name in $shipped_functions; do
        if ! grep -qx "$name" <<<"$names"; then
            fail "$1: no function $name in its symbol table (stripped?): the test-code check cannot run"
            ok=0
        fi
    done
    for name in $test_only_functions; do
        if grep -qx "$name" <<<"$names"; then
            fail "$1: holds $name, which only the test build may have"
            ok=0
        fi
    done
    if [ "$ok" = 1 ]; then echo "check-imports: $1: has $shipped_functions, no $test_only_functions"; fi
}

for file in "$@"; do
    [ -f "$file" ] || { fail "$file is missing"; continue; }
    case $("$objdump" -f "$file") in
    *pei-i386*) floor=2000 ;;
    *pei-x86-64*) floor=2003 ;;
    *) fail "$file is no Windows i686 or x86_64 file"; continue ;;
    esac
    list=$(imports "$file")
    own=""
    if [ "$(basename "$file")" = pelmora.exe ]; then
        ravik=$(dirname "$file")/ravik.dll
        [ -f "$ravik" ] && own=$(exports "$ravik" | tr '\n' ' ')
        grep -qi '^ravik\.dll ' <<<"$list" || fail "$file does not import ravik.dll"
        check_no_test_code "$file"
    fi
    # The list's systems in order; an entry newer than the floor, or no entry,
    # fails the import.
    problems=$(awk -v floor="$floor" -v own=" $own" -v list="$allowed" '
        BEGIN {
            n = split("2000 XP 2003 Vista 7 8 10", order, " ")
            for (i = 1; i <= n; i++) rank[order[i]] = i
            while ((getline line < list) > 0) {
                if (line ~ /^[[:space:]]*(#|$)/) continue
                split(line, f, /[[:space:]]+/)
                if (!(f[3] in rank)) { print "the list names an unknown Windows: " line; continue }
                oldest[tolower(f[1]) " " f[2]] = f[3]
            }
        }
        $1 == "?" { print "cannot read the import " $0; next }
        tolower($1) == "ravik.dll" {
            if (index(own, " " $2 " ") == 0) print "ravik.dll " $2 " is not exported by the ravik.dll beside it"
            next
        }
        {
            key = tolower($1) " " $2
            if (!(key in oldest)) print $1 " " $2 " is not in tools/imports-allowed.txt"
            else if (rank[oldest[key]] > rank[floor])
                print $1 " " $2 " needs Windows " oldest[key] ", newer than this build'"'"'s floor (" floor ")"
        }' <<<"$list")
    if [ -n "$problems" ]; then
        while IFS= read -r p; do fail "$file: $p"; done <<<"$problems"
    else
        echo "check-imports: $file: $(wc -l <<<"$list") imports, all on Windows $floor"
    fi
done
exit "$failed"

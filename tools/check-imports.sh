#!/usr/bin/env bash
# Checks that the shipped files of the win64 and win32 builds need nothing but
# system DLLs: pelmora.exe and ravik.dll are linked statically, and
# pelmora.exe imports ravik.dll (once ravik.dll exports anything).
#     bash tools/check-imports.sh <build folder>
set -euo pipefail
build=${1:?usage: check-imports.sh <build folder>}

# DLLs that every Windows system since 2000 has.
system_dlls="kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll
    comctl32.dll comdlg32.dll advapi32.dll winmm.dll msvcrt.dll psapi.dll shlwapi.dll
    version.dll ntdll.dll"

failed=0
fail() { echo "check-imports: $*" >&2; failed=1; }

imports() { # objdump, file
    "$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr 'A-Z' 'a-z' | tr -d '\r'
}

exports() { # objdump, file: the exported names
    "$1" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] *//p'
}

for pair in win64:x86_64 win32:i686; do
    dir=$build/${pair%%:*}/bin
    objdump=${pair##*:}-w64-mingw32-objdump
    for file in pelmora.exe ravik.dll; do
        [ -f "$dir/$file" ] || { fail "$dir/$file is missing"; continue; }
        for dll in $(imports "$objdump" "$dir/$file"); do
            if [ "$file" = pelmora.exe ] && [ "$dll" = ravik.dll ]; then continue; fi
            case " $(echo $system_dlls) " in
            *" $dll "*) ;;
            *) fail "$dir/$file imports $dll, which is no system DLL" ;;
            esac
        done
    done
    [ -f "$dir/ravik.dll" ] && [ -f "$dir/pelmora.exe" ] || continue
    if [ -n "$(exports "$objdump" "$dir/ravik.dll")" ]; then
        imports "$objdump" "$dir/pelmora.exe" | grep -qx ravik.dll ||
            fail "$dir/pelmora.exe does not import ravik.dll"
    fi
done

[ "$failed" = 0 ] && echo "check-imports: shipped files import only system DLLs"
exit "$failed"

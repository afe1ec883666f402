#!/bin/sh
# Checks a built ravik.dll: its data section ".sharedd" is shared between
# processes, and the nine exports carry their undecorated names.
# Usage: check_dll.sh OBJDUMP DLL

# objdump's headings are matched in English, whatever the locale.
export LC_ALL=C
objdump=$1
dll=$2
status=0

# objdump -h prints the flags on the line after the section's name.
flags=$("$objdump" -h "$dll" | awk '$2 == ".sharedd" { getline; print; exit }')
case "$flags" in
*SHARED*) echo "ok: .sharedd flags: $flags" ;;
"") echo "FAIL: no .sharedd section in $dll"; status=1 ;;
*) echo "FAIL: .sharedd is not shared: $flags"; status=1 ;;
esac

exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { exit } on { print $NF }')
for name in SetHook FreeHook SetSubClass SetWnd RmWnd GetWndMes NewMessage IncRead GetSysTabCnt; do
    if printf '%s\n' "$exports" | grep -qx "$name"; then
        echo "ok: export $name"
    else
        echo "FAIL: export $name missing (exports: $(echo $exports))"
        status=1
    fi
done
exit $status

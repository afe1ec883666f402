#!/usr/bin/env bash
# The demo: shows pelmora at work on a stand-in taskbar under Wine.
# Run as root from anywhere: bash tools/demo.sh [--layout 2000|xp|win7] [--program DIR]
#
# --layout picks the class tree of the stand-in taskbar: 2000 (the default,
# a tab control holds the buttons), xp (a toolbar) or win7 (a task list).
# --program runs the pelmora.exe and ravik.dll of DIR (an unpacked release,
# say) instead of those of build/ship64.
# It installs what is missing, builds the shipped 64-bit program (build/ship64)
# and the test tools (build/win64), and then, under Xvfb
# (or on your X display when DISPLAY is set), starts the stand-in taskbar, opens
# windows of three applications, prints the taskbar's buttons before pelmora,
# with pelmora, and after pelmora ended, opens a proxy's group menu, and saves
# screenshots of each in build/win64/demo/. Run without options, it also
# remakes the README's pictures in docs/ from them. It stops everything it
# started, and fails when pelmora does not group the windows or does not end.
set -euo pipefail
layout=2000 program=""
usage="usage: bash tools/demo.sh [--layout 2000|xp|win7] [--program DIR]"
while (($#)); do
    case $1 in
    --layout) layout=${2:-}; shift; (($#)) && shift ;;
    --layout=*) layout=${1#--layout=}; shift ;;
    --program) program=${2:-}; shift; (($#)) && shift ;;
    --program=*) program=${1#--program=}; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
    esac
done
[ -z "$program" ] || [ -f "$program/pelmora.exe" ] || { echo "$usage" >&2; exit 2; }
docs=""
[ "$layout" = 2000 ] && [ -z "$program" ] && docs=$(cd "$(dirname "$0")/.." && pwd)/docs
case $layout in
2000 | xp | win7) ;;
*) echo "demo: unknown layout \"$layout\" (2000, xp or win7)" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"

"$root/tools/setup-deps.sh"

echo "== Building pelmora (x86_64, as it ships) and the stand-in taskbar"
shipped="$build/ship64/dist/x86_64"
program=${program:-$shipped}
cmake -S "$root" -B "$build/ship64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64-win32.cmake" -DPELMORA_TESTS=OFF >/dev/null
cmake --build "$build/ship64" -- -j"$(nproc)" --quiet
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DPELMORA_SHIPPED_DIR="$shipped" >/dev/null
cmake --build "$build/win64" --target pelmora_test_tools -- -j"$(nproc)" --quiet

. "$root/tools/wine-env.sh" "$build/win64"
bin="$build/win64/bin"
demo="$build/win64/demo"
wine=("$PELMORA_WINE")
rm -rf "$demo"
mkdir -p "$demo/pelmora"
cp "$program/pelmora.exe" "$program/ravik.dll" "$demo/pelmora/"

standin_pid="" pelmora_pid=""
apps=()
x11_key='HKCU\Software\Wine\X11 Driver'
cleanup() {
    set +e
    [ -n "$pelmora_pid" ] && kill -0 "$pelmora_pid" 2>/dev/null &&
        "${wine[@]}" "$bin/pelmora_command.exe" 206 >/dev/null 2>&1
    for app in "${apps[@]}"; do "${wine[@]}" "$bin/testapp.exe" /to "$app" quit >/dev/null 2>&1; done
    [ -n "$standin_pid" ] && "${wine[@]}" "$bin/standin_taskbar.exe" /quit >/dev/null 2>&1
    "${wine[@]}" reg delete "$x11_key" /v Decorated /f >/dev/null 2>&1
    pelmora_wine_stop
}
trap cleanup EXIT

# Without a window manager Wine draws the windows' captions and frames itself,
# their buttons with the font Marlett (in Debian's fonts-wine), which this Wine
# finds only in the prefix's Fonts folder.
"${wine[@]}" reg add "$x11_key" /v Decorated /d N /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

state() { "${wine[@]}" "$bin/standin_taskbar.exe" /print 2>/dev/null | tr -d '\r'; }

# A screenshot of the whole screen; with a second name, the README's picture
# of it too: the lower part of the screen, where the windows and the taskbar
# are, in few colours and without the time of the shot, so that an unchanged
# picture stays the same file.
screenshot() { # name, [name in docs/]
    import -window root "$demo/$1.png"
    [ -n "$docs" ] && [ -n "${2:-}" ] || return 0
    mkdir -p "$docs"
    convert "$demo/$1.png" -crop 1000x484+0+540 +repage +dither -colors 48 -strip \
        -define png:exclude-chunks=date,time "$docs/$2.png"
}

# The taskbar's buttons as a person sees them, and its notification-area icons.
show_taskbar() { # heading, screenshot name, [name in docs/]
    local s
    s=$(state)
    echo
    echo "== $1"
    echo "$s" | sed -n 's/^button .* title=\(.*\)$/   [ \1 ]/p'
    echo "   notification-area icons: $(echo "$s" | grep -c '^tray ' || true)"
    screenshot "$2" "${3:-}"
}

# 0 while a window of pelmora shows on the screen: its proxies and main window
# are hidden, so that is an open menu.
pelmora_shows() { xdotool search --onlyvisible --classname pelmora.exe >/dev/null; }
pelmora_hides() { ! pelmora_shows; }

wait_for() { # description, command... (retried for up to 30 s)
    local what=$1; shift
    for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "demo: timed out waiting for $what" >&2
    exit 1
}

echo "== Starting the stand-in taskbar (layout $layout)"
"${wine[@]}" "$bin/standin_taskbar.exe" /layout "$layout" </dev/null >/dev/null 2>&1 &
standin_pid=$!
wait_for "the stand-in taskbar" "${wine[@]}" "$bin/standin_taskbar.exe" /wait 1000

# Three applications: copies of the test application under their own names,
# each one a program of its own to pelmora (it groups by executable path).
open_app() { # name, window titles...
    local name=$1; shift
    mkdir -p "$demo/apps/$name"
    cp "$bin/testapp.exe" "$demo/apps/$name/$name.exe"
    local first=$1; shift
    # One word per option: Wine quotes a word with blanks as a whole, which the
    # test application reads as one option.
    "${wine[@]}" "$demo/apps/$name/$name.exe" /label "$name" \
        open "title=$first" x=$((60 + ${#apps[@]} * 220)) y=$((560 + ${#apps[@]} * 60)) w=420 h=300 \
        </dev/null >/dev/null 2>&1 &
    apps+=("$name")
    wait_for "$name" "${wine[@]}" "$bin/testapp.exe" /to "$name" pid
    local i=1
    for title in "$@"; do
        "${wine[@]}" "$bin/testapp.exe" /to "$name" open "title=$title" \
            x=$((60 + (${#apps[@]} - 1) * 220 + i * 30)) y=$((560 + (${#apps[@]} - 1) * 60 + i * 30)) w=420 h=300 \
            >/dev/null 2>&1
        i=$((i + 1))
    done
}
echo "== Opening windows of three applications"
open_app notepad "報告書.txt - メモ帳" "議事録.txt - メモ帳" "無題 - メモ帳"
open_app mspaint "風景.bmp - ペイント" "無題 - ペイント"
open_app calc "電卓"
wait_for "the six buttons" bash -c "[ \$(\"$PELMORA_WINE\" \"$bin/standin_taskbar.exe\" /print | grep -c '^button ') -ge 6 ]"
show_taskbar "The taskbar before pelmora" 1-before taskbar-before

echo
echo "== Starting pelmora.exe"
(cd "$demo/pelmora" && exec "${wine[@]}" pelmora.exe </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
wait_for "pelmora's proxy buttons" bash -c \
    "\"$PELMORA_WINE\" \"$bin/standin_taskbar.exe\" /print | grep -q '^button .* title=3 notepad' &&
     \"$PELMORA_WINE\" \"$bin/standin_taskbar.exe\" /print | grep -q '^button .* title=2 mspaint'"
show_taskbar "The taskbar with pelmora: one proxy button per application" 2-with-pelmora \
    taskbar-with-pelmora

echo
echo "== Clicking 3 notepad: the group menu lists its windows"
# As the taskbar reports it to pelmora, the screen's bottom pixel row (see tools/README.md).
read -r left right < <(state | sed -n 's/^button .*rect=\([-0-9]*\),[-0-9]*,\([-0-9]*\),.* title=3 notepad$/\1 \2/p')
bottom=$(($(xdpyinfo | sed -n 's/^ *dimensions: *[0-9]*x\([0-9]*\) .*/\1/p') - 1))
xdotool mousemove $(((left + right) / 2)) "$bottom" click 1
wait_for "the group menu" pelmora_shows
screenshot 3-group-menu group-menu
xdotool mousemove 1200 60 click 1 # a click elsewhere closes it
wait_for "the group menu to close" pelmora_hides

echo
echo "== Ending pelmora through its tray menu command (終了)"
"${wine[@]}" "$bin/pelmora_command.exe" 206
code=0
wait "$pelmora_pid" || code=$?
pelmora_pid=""
[ "$code" = 0 ] || { echo "demo: pelmora ended with exit code $code" >&2; exit 1; }
wait_for "the buttons to come back" bash -c "[ \$(\"$PELMORA_WINE\" \"$bin/standin_taskbar.exe\" /print | grep -c '^button ') -ge 6 ]"
show_taskbar "The taskbar after pelmora ended: every window has its button again" 4-after

echo
echo "Screenshots: $demo/1-before.png, 2-with-pelmora.png, 3-group-menu.png, 4-after.png"
[ -z "$docs" ] || echo "The README's pictures: $docs/taskbar-before.png, taskbar-with-pelmora.png, group-menu.png"

# Prepares Wine for the tests and the demo. Source it with the build folder:
#     . tools/wine-env.sh build/win64
# It exports WINEPREFIX (a private prefix inside the build folder, created once
# and reused), LC_ALL=ja_JP.UTF-8 (ANSI code page 932), DISPLAY (a new Xvfb
# screen unless DISPLAY is already set) and starts a persistent wineserver, so
# that each program starts in about 0.1 s, and makes the prefix say Windows 10.
# pelmora_wine_stop ends what it started.

pelmora_build=$(cd "$1" && pwd)
export WINEPREFIX="$pelmora_build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
# No Mono or Gecko installers popping up while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
export PELMORA_WINE=/usr/lib/wine/wine64
export PELMORA_WINESERVER=/usr/lib/wine/wineserver
pelmora_started_xvfb=""

if [ -z "${DISPLAY:-}" ]; then
    # Several builds may prepare Wine at once: a screen number another one took
    # first makes our Xvfb exit, and the next number is tried.
    for n in $(seq 90 160); do
        { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        pelmora_started_xvfb=$!
        for _ in $(seq 100); do
            kill -0 "$pelmora_started_xvfb" 2>/dev/null || break
            DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        if kill -0 "$pelmora_started_xvfb" 2>/dev/null; then
            export DISPLAY=":$n"
            break
        fi
        pelmora_started_xvfb=""
    done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$PELMORA_WINE" wineboot --init >/dev/null 2>&1
    "$PELMORA_WINESERVER" -w
fi
# A server still running for this prefix (an earlier run, another shell) is
# reused: "wineserver -p" then fails, which must not end a "set -e" script.
"$PELMORA_WINESERVER" -p 2>/dev/null || true
# Start Wine's own services and desktop process now, detached from our output:
# started later by a test, they would inherit its pipe and ctest would wait for
# them until its time-out.
"$PELMORA_WINE" wineboot </dev/null >/dev/null 2>&1

# The prefix says Windows 10, as most users' systems do: the program then
# takes its paths for Windows 8 and later (cloaked windows, their events). A
# new prefix says Windows 7.
if [ "$("$PELMORA_WINE" winecfg /v 2>/dev/null | tr -d '\r')" != win10 ]; then
    "$PELMORA_WINE" winecfg /v win10 >/dev/null 2>&1
fi

# The screen at 96 DPI, whatever a test that set another left behind.
"$PELMORA_WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true

# Without a window manager, Wine waits up to 2 s for one whenever a visible
# window is hidden or destroyed. Windows that no window manager handles ("not
# managed") are hidden at once.
"$PELMORA_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# The stand-in taskbar-list server takes the place of Wine's own CLSID_TaskbarList.
if [ -f "$pelmora_build/bin/tasklist_server.dll" ]; then
    "$PELMORA_WINE" reg add \
        'HKLM\Software\Classes\CLSID\{56FDF344-FD6D-11D0-958A-006097C9A090}\InprocServer32' \
        /ve /d "Z:$(echo "$pelmora_build/bin/tasklist_server.dll" | tr / '\\')" /f >/dev/null 2>&1
    "$PELMORA_WINE" reg add \
        'HKLM\Software\Classes\CLSID\{56FDF344-FD6D-11D0-958A-006097C9A090}\InprocServer32' \
        /v ThreadingModel /d Both /f >/dev/null 2>&1
fi

pelmora_wine_stop() {
    "$PELMORA_WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "$pelmora_started_xvfb" ]; then
        kill "$pelmora_started_xvfb" 2>/dev/null || true
        unset DISPLAY
    fi
}

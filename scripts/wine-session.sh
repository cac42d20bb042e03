#!/usr/bin/env bash
# Sourced: a Wine prefix and an Xvfb screen for the Windows tests.
#   start_wine_session PREFIX [WIDTHxHEIGHT]   stop_wine_session
# Xvfb comes first, or Wine fixes its screen at 1024 x 768; with no window
# manager, X11 windows are unmanaged, so that a maximised window covers the
# screen.  wineserver is started persistent, and the first program (the
# registry setting) boots the prefix with its streams on /dev/null, so that
# CTest does not wait on Wine's services; the persistent server keeps the
# setting for every later start.  (No wineboot of its own: the first
# program boots the prefix anyway, and a second boot starts a second
# service manager.)

wine_program() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64 || command -v wine; fi
}

start_wine_session() {
    local prefix=$1 screen=${2:-1280x1024}
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    WINE=$(wine_program)
    export WINE
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    WINE_XVFB_PID=$!
    local tries=0
    while [ ! -s "$display_file" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
    export DISPLAY=":$(head -n1 "$display_file")"
    rm -f "$display_file"
    mkdir -p "$prefix"
    timeout 120 wineserver -p </dev/null >/dev/null 2>&1
    timeout 300 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

stop_wine_session() {
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "${WINE_XVFB_PID:-}" ]; then kill "$WINE_XVFB_PID" 2>/dev/null || true; fi
    WINE_XVFB_PID=
}

#!/usr/bin/env bash
# Sourced: a Wine prefix and an Xvfb screen for the Windows tests.
#   start_wine_session PREFIX [WIDTHxHEIGHT]   stop_wine_session
#   hold_wine_desktop HOLDER.exe   release_wine_desktop
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

# Wine's desktop process of this prefix (one that is ending shows no
# environment, and may be this prefix's).
wine_desktop_running() {
    local pid environment
    for pid in $(pgrep -x explorer.exe); do
        environment=$(tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ")
        grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$environment" && return 0
        [ -z "$environment" ] && [ -n "$(ps -o stat= -p "$pid" | grep -v Z)" ] && return 0
    done
    return 1
}

# Wine's desktop, started ahead of a program that opens a window, by the
# program HOLDER (tests/windows/desktop_holder.cpp), and held until that
# program has its window: a program that started the desktop itself
# now and then got no window on a loaded machine.  A desktop still ending
# from an earlier program is waited for first.
hold_wine_desktop() {
    local holder=$1 limit=$((SECONDS + 300))
    while wine_desktop_running; do
        [ $SECONDS -ge $limit ] && { echo "Wine's desktop of an earlier program did not end"; return 1; }
        sleep 0.2
    done
    local output
    output=$(mktemp)
    bash "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$WINEPREFIX" "$holder" </dev/null >"$output" 2>&1 &
    WINE_DESKTOP_HOLDER_PID=$!
    until grep -q '^ready' "$output"; do
        if [ $SECONDS -ge $limit ] || ! kill -0 "$WINE_DESKTOP_HOLDER_PID" 2>/dev/null; then
            echo "Wine's desktop did not start: $(cat "$output")"
            rm -f "$output"
            return 1
        fi
        sleep 0.2
    done
    rm -f "$output"
}

release_wine_desktop() {
    [ -n "${WINE_DESKTOP_HOLDER_PID:-}" ] || return 0
    local pid=$WINE_DESKTOP_HOLDER_PID limit=$((SECONDS + 60))
    kill "$pid" 2>/dev/null
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $limit ]; do sleep 0.2; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    WINE_DESKTOP_HOLDER_PID=
}

stop_wine_session() {
    release_wine_desktop
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "${WINE_XVFB_PID:-}" ]; then kill "$WINE_XVFB_PID" 2>/dev/null || true; fi
    WINE_XVFB_PID=
}

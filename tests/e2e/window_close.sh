#!/usr/bin/env bash
# Closing the window ends the show like its normal end: exit code 0, the
# window gone, the titles so far left on the console and the terminal as it
# was.  Closed three ways: the close request a window manager sends, the
# window's connection killed (xkill), the window destroyed by another client.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=640x480
start_display $size
make_shots surfplot $size
start_terminal 90 28 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11

close_by() {  # $1: how; $2: the keys pressed before
    local how=$1 keys=$2
    press -l "clear"
    press Enter
    run_in_terminal "$build/surfplot"
    wait_for_window surfplot
    press -l "$keys"
    wait_for_picture $((${#keys} + 1)) "before closing by $how"
    case $how in
        request) request_close "$window" ;;
        kill) xdo windowkill "$window" ;;
        destroy) xdo windowclose "$window" 2>/dev/null ;;
    esac
    wait_for_end
    [ "$(exit_code)" = 0 ] || fail "closed by $how: exit code $(exit_code), not 0: $(pane_text | grep -v "^ *$" | tail -n 8)"
    check_terminal_restored "closed by $how"
    console_shows_titles $((${#keys} + 1)) || fail "closed by $how: titles $(pane_text | head -n 5)"
    wait_until window_gone surfplot || fail "closed by $how: the window is still there"
}

close_by request ""
close_by kill "ab"
close_by destroy "abcd"
finish

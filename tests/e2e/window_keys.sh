#!/usr/bin/env bash
# Keys without a character count twice, in the terminal and in the window;
# modifier keys alone and key releases count not at all; a lone Esc counts
# once.  Each press is checked by the picture that the window shows next
# and by the titles on the console.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=900x640
start_display $size
make_shots surfplot $size
start_terminal 90 28 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11
run_in_terminal "$build/surfplot"
wait_for_window surfplot

in_window() { xdo windowfocus --sync "$window" key "$@"; }

wait_for_picture 1 "start"
press Right                      # the terminal's cursor key: 0, then its scan code
wait_for_picture 3 "after a terminal cursor key"
wait_for_titles 3
press F5                         # a function key's longer sequence
wait_for_picture 5 "after a terminal function key"
wait_for_titles 5
in_window Down                   # the window's cursor key
wait_for_picture 7 "after a window cursor key"
wait_for_titles 7
in_window F1
wait_for_picture 9 "after a window function key"
in_window Shift_L Control_R Alt_L Caps_Lock Caps_Lock Num_Lock Num_Lock
in_window b                      # only this counts
wait_for_picture 10 "after modifiers alone and a letter"
wait_for_titles 10
press Escape                     # alone, it is the Esc key: one wait
wait_for_picture 11 "after a lone Esc"
wait_for_titles 11
press M-x                        # Esc and x: the terminal's Alt+x, two keys
wait_for_end
[ "$(exit_code)" = 0 ] || fail "exit code $(exit_code), not 0"
console_shows_titles 12 || fail "titles: $(pane_text | head -n 13)"
check_terminal_restored "end after keys"
finish

#!/usr/bin/env bash
# Interrupted, terminated, hung up, or stopped and continued: the terminal
# is given back every time with the show's text left on it, the window
# closes with the program, and a stopped show goes on where it was.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=720x540
start_display $size
make_shots surfplot $size
start_terminal 90 30 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11

start_show() {
    press -l "clear"
    press Enter
    run_in_terminal "$build/surfplot"
    wait_for_window surfplot
    press a
    wait_for_picture 2 "$1"
    pid=$(program_pid)
}

check_ending() {  # $1: what ended it; $2: the exit code expected
    wait_for_end
    [ "$(exit_code)" = "$2" ] || fail "$1: exit code $(exit_code), not $2"
    check_terminal_restored "$1"
    console_shows_titles 2 || fail "$1: titles $(pane_text | head -n 4)"
    [ "$(cursor_row)" -ge 25 ] || fail "$1: the prompt is at row $(cursor_row), inside the text window"
    wait_until window_gone surfplot || fail "$1: the window is still there"
}

start_show "before SIGTERM"
kill -TERM "$pid"
check_ending SIGTERM 143

start_show "before SIGHUP"
kill -HUP "$pid"
check_ending SIGHUP 129

start_show "before Ctrl+C"
press C-c
check_ending "Ctrl+C in the terminal" 130

start_show "before Ctrl+C in the window"
xdo key --window "$window" ctrl+c 2>/dev/null
check_ending "Ctrl+C in the window" 130

# Ctrl+Z: a usable terminal while stopped; `fg` goes on with the show.
press -l "clear"
press Enter
rm -f "$work/stty.before" "$work/during" "$work/rc" "$work/stty.after"
type_line "stty -g >$work/stty.before; $build/surfplot"
wait_for_window surfplot
press a
wait_for_picture 2 "before Ctrl+Z"
press C-z
wait_until pane_has 'Stopped' || fail "Ctrl+Z did not stop the show"
type_line "stty -g >$work/during"
wait_until test -s "$work/during" || fail "the shell did not take a command while the show was stopped"
cmp -s "$work/stty.before" "$work/during" || fail "terminal settings while stopped: $(cat "$work/during")"
type_line "fg; echo \$? >$work/rc; stty -g >$work/stty.after"
wait_until pane_has "^$build/surfplot" || fail "fg did not continue the show"
wait_for_titles 2
press b
wait_for_picture 3 "after fg"
wait_for_titles 3
xdo key --window "$window" a
wait_for_picture 4 "a window key after fg"
for n in 1 2 3 4 5 6 7 8 9; do press c; done
wait_for_end
[ "$(exit_code)" = 0 ] || fail "after Ctrl+Z and fg: exit code $(exit_code), not 0"
check_terminal_restored "after Ctrl+Z and fg"
console_shows_titles 12 || fail "titles after Ctrl+Z and fg: $(pane_text | head -n 13)"

# Ctrl+Z, bg: the window goes on with its keys while the terminal is the
# shell's; fg brings back the terminal's keys and the console's text.
press -l "clear"
press Enter
rm -f "$work/stty.before" "$work/rc" "$work/stty.after"
type_line "stty -g >$work/stty.before; $build/surfplot"
wait_for_window surfplot
press a
wait_for_picture 2 "before Ctrl+Z, bg"
press C-z
wait_until pane_has 'Stopped' || fail "Ctrl+Z did not stop the show"
type_line "bg"
wait_until pane_has "^\[1\]+ $build/surfplot &" || fail "bg did not continue the show"
xdo key --window "$window" a
wait_for_picture 3 "a window key in the background"
# The show writes a picture's title before it shows the picture: the title
# was written (or left out) before picture 3 was seen.
wait_for_earlier_output
! pane_has "${expected_titles[2]}" || fail "the background show wrote on the shell's screen: $(pane_text | grep -v '^ *$')"
type_line "fg; echo \$? >$work/rc; stty -g >$work/stty.after"
wait_for_titles 3
press b
wait_for_picture 4 "a terminal key after bg and fg"
for n in 1 2 3 4 5 6 7 8 9; do press c; done
wait_for_end
[ "$(exit_code)" = 0 ] || fail "after Ctrl+Z, bg, fg: exit code $(exit_code), not 0"
check_terminal_restored "after Ctrl+Z, bg, fg"
console_shows_titles 12 || fail "titles after Ctrl+Z, bg, fg: $(pane_text | head -n 13)"
finish

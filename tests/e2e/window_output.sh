#!/usr/bin/env bash
# Output that is not a terminal: plain UTF-8 title lines with no escape
# sequences while the keys still come from the terminal; output that cannot
# be written (a full disk, a closed pipe): run-time error 101, exit code
# 101, the terminal given back and the window closed.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=640x480
start_display $size
make_shots surfplot $size
start_terminal 90 28 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11

# Titles into a pipe, keys from the terminal.
run_in_terminal "$build/surfplot | cat >$work/titles"
wait_for_window surfplot
for picture in 1 2 3 4 5 6 7 8 9 10 11 12; do
    wait_for_picture $picture "output into a pipe"
    press x
done
wait_for_end
[ "$(exit_code)" = 0 ] || fail "output into a pipe: exit code $(exit_code)"
check_terminal_restored "output into a pipe"
[ "$(cat "$work/titles")" = "$(titles_upto 12)" ] || fail "titles into a pipe: $(od -c "$work/titles" | head)"
grep -q $'\e' "$work/titles" && fail "escape sequences in the piped titles"

# A full disk.
press -l clear
press Enter
run_in_terminal "$build/surfplot >/dev/full"
wait_for_end
[ "$(exit_code)" = 101 ] || fail "output on /dev/full: exit code $(exit_code), not 101"
check_terminal_restored "output on /dev/full"
pane_has '^Runtime error 101 at \$[0-9A-F]\{8\}$' || fail "no run-time error message: $(pane_text | head -n 5)"
wait_until window_gone surfplot || fail "the window stays after the run-time error"

# A pipe whose reader is gone after the first title.
press -l clear
press Enter
rm -f "$work/rc" "$work/stty.before" "$work/stty.after"
type_line "stty -g >$work/stty.before; $build/surfplot | head -n 1 >$work/first; echo \${PIPESTATUS[0]} >$work/rc; stty -g >$work/stty.after"
wait_for_window surfplot
reader_gone() { ! shell_children | grep -q '(head)'; }
wait_until reader_gone || fail "head did not end"
press x
wait_for_end
[ "$(exit_code)" = 101 ] || fail "closed pipe: exit code $(exit_code), not 101"
check_terminal_restored "closed pipe"
[ "$(cat "$work/first")" = "Szintvonal-1" ] || fail "closed pipe: first title $(cat "$work/first")"
finish

#!/usr/bin/env bash
# The whole show as a user sees it: surfplot started from a terminal beside
# an X display, twelve keys typed in the terminal and in the window, each
# picture in the window compared pixel for pixel with the headless export
# at the window's size, the titles on the console, exit code 0 and the
# terminal as it was.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=1000x700
start_display $size
make_shots surfplot $size
start_terminal 100 30 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11
run_in_terminal "$build/surfplot"
wait_for_window surfplot

geometry=$(xdo getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "$size" ] || fail "window is $geometry, not the display's usable area $size"

# Keys that have a character, first typed in the terminal, then in the window.
terminal_keys=(x Enter Escape BSpace Tab -l é)
window_keys=(a Return Escape space BackSpace Tab)
for picture in 1 2 3 4 5 6; do
    wait_for_picture $picture "terminal key"
    wait_for_titles $picture
    if [ $picture -eq 1 ]; then
        # Waiting for a key takes no processor time worth counting (measured
        # over 2 s: a span of time, not a wait for something to happen).
        pid=$(program_pid)
        before=$(awk '{print $14 + $15}' /proc/$pid/stat)
        sleep 2
        after=$(awk '{print $14 + $15}' /proc/$pid/stat)
        [ $((after - before)) -lt 50 ] || fail "the wait took $((after - before)) ticks of processor time in 2 s"
    fi
    key=${terminal_keys[$((picture - 1))]}
    if [ "$key" = -l ]; then press -l é; else press "$key"; fi
done
for picture in 7 8 9 10 11 12; do
    wait_for_picture $picture "window key"
    wait_for_titles $picture
    key=${window_keys[$((picture - 7))]}
    # Sent to the window, then typed as on a keyboard with the window focused.
    if [ $picture -le 9 ]; then
        xdo key --window "$window" "$key"
    else
        xdo windowfocus --sync "$window" key "$key" 2>/dev/null
    fi
done

wait_for_end
[ "$(exit_code)" = 0 ] || fail "exit code $(exit_code), not 0"
check_terminal_restored "normal end"
console_shows_titles 12 || fail "titles after the end: $(pane_text | head -n 13)"
[ -z "$(pane_text | sed -n '13,25p' | tr -d ' ')" ] || fail "text below the titles: $(pane_text | sed -n '13,25p')"
pane_colours | head -n 1 | grep -q $'\e\\[[0-9;]*44m' || fail "the text window is not blue"
[ "$(cursor_row)" -ge 25 ] || fail "the prompt is at row $(cursor_row), inside the text window"
wait_until window_gone surfplot || fail "the window is still open"

# The exercise frame runs the same way: its title frames, keys from both sides.
make_shots surfkit $size
press -l clear
press Enter
run_in_terminal "$build/surfkit"
wait_for_window surfkit
for picture in 1 2 3 4 5 6 7 8 9 10 11 12; do
    wait_for_picture $picture "surfkit"
    if [ $((picture % 2)) -eq 1 ]; then press k; else xdo key --window "$window" k 2>/dev/null; fi
done
wait_for_end
[ "$(exit_code)" = 0 ] || fail "surfkit: exit code $(exit_code), not 0"
check_terminal_restored "surfkit"
console_shows_titles 12 || fail "surfkit titles: $(pane_text | head -n 13)"
finish

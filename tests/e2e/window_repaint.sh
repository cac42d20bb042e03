#!/usr/bin/env bash
# The window keeps its picture: unmapped and mapped again, covered by
# another window and uncovered, made smaller and larger (the picture keeps
# its size at the top-left, the rest black), also for the next picture.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=800x600
start_display $size
make_shots surfplot $size
start_terminal 90 28 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11
run_in_terminal "$build/surfplot"
wait_for_window surfplot

press a a
wait_for_picture 3 "before the window is touched"

xdo windowunmap --sync "$window"
xdo windowmap --sync "$window"
wait_for_picture 3 "unmapped and mapped again"

xlogo -geometry ${size}+0+0 &
cover=$!
covered() { ! shows "$work/shots/03.png"; }
wait_until covered || fail "the covering window did not cover"
kill $cover
wait $cover 2>/dev/null
wait_for_picture 3 "covered and uncovered"

# Smaller: the top-left part of the picture, undistorted.
convert "$work/shots/03.png" -crop 500x400+0+0 +repage "$work/crop.png"
xdo windowsize --sync "$window" 500 400
wait_until shows "$work/crop.png" || fail "a smaller window does not show the picture's corner: $(differing_pixels "$work/crop.png")"

# Larger than the picture (and the display): the picture stays at its size.
xdo windowsize --sync "$window" 900 700
screen_shows() {
    timeout 20 import -window root "png:$work/root.png" && [ "$(compare -metric AE "$work/root.png" "$1" null: 2>&1)" = 0 ]
}
wait_until screen_shows "$work/shots/03.png" || fail "a larger window does not show the picture at its size"
press a
wait_until screen_shows "$work/shots/04.png" || fail "the next picture in the larger window"
wait_for_titles 4
xdo windowsize --sync "$window" 600 450
convert "$work/shots/04.png" -crop 600x450+0+0 +repage "$work/crop.png"
wait_until shows "$work/crop.png" || fail "the next picture after resizing again: $(differing_pixels "$work/crop.png")"

press a a a a a a a a a
wait_for_end
[ "$(exit_code)" = 0 ] || fail "exit code $(exit_code), not 0"
check_terminal_restored "end after repaints"
finish

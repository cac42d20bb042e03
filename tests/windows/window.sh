#!/usr/bin/env bash
# surfplot.exe under Wine as a user sees it: started from a console beside
# an X display, keys typed in the console and in the window, each picture
# in the window compared pixel for pixel with the export at the window's
# drawing size, the titles on the console and in the title bar, the options,
# and the exit codes of a normal
# end, of Ctrl+C in the console and in the window, and of closing the window;
# then the window as Wine shows it for a window manager, with none there to
# honour the maximise: the picture fits the window the program really gets.
# Needs the Wine session of scripts/wine-session.sh (WINE, WINEPREFIX, DISPLAY).
#   window.sh WINDOWS_BUILD
set -u
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/wine-session.sh"
# (as on a Windows with nothing installed)
wine_run="bash '$repo/scripts/wine-run.sh' '${WINEPREFIX:?run inside a Wine session}'"
run_exe() { timeout 120 bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$@"; }
work=$(mktemp -d)
socket=$work/tmux
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() { release_wine_desktop; tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"; }
# Each run gets a tmux server of its own.
trap cleanup EXIT

# Up to two minutes: a cold Wine is slow to start on a busy machine.
wait_until() {
    local until=$((SECONDS + ${SURF_WAIT_LIMIT:-120}))
    until "$@"; do
        [ $SECONDS -ge $until ] && return 1
        sleep 0.2
    done
}

# The program in a console of its own: a terminal that Wine makes its
# console.  The console's output code page is noted before and after.
runs=0
start_program() {
    rm -f "$work/rc" "$work"/code-page.*
    tmux -S "$socket" kill-server 2>/dev/null
    # The last run's window must be gone, or its id would be taken for the new one.
    wait_until window_gone "$1" || fail "the window of the last run is still there"
    hold_wine_desktop "$build/tests/desktop_holder.exe" || fail "no desktop for run $((runs + 1))"
    runs=$((runs + 1))
    socket=$work/tmux.$runs
    local probe="$wine_run '$build/tests/console_code_page.exe'"
    tmux -S "$socket" new-session -d -s show -x 100 -y 30 \
        "cd '$work' && $probe > code-page.before; $wine_run '$build/$1.exe' ${*:2}; echo \$? > '$work/rc';
         $probe > code-page.after; sleep 600" || fail "no console for run $runs"
    window=
    wait_until find_window "$1" || { fail "no window named $1 (run $runs: $*)"; tell_state "$1"; }
    release_wine_desktop
}
# What there is when a window does not come: the console, the windows, Wine's processes.
tell_state() {
    echo "--- console:"; pane_text | sed '/^$/d'
    echo "--- windows named $1:"
    local id
    for id in $(xdotool search --name "^$1" 2>/dev/null); do
        echo "$id '$(xdotool getwindowname "$id")' $(xwininfo -id "$id" 2>/dev/null | grep -E 'Map State|geometry')"
    done
    echo "--- Wine's processes:"; ps -eo pid,ppid,stat,etimes,args | grep -E '[.]exe|[w]ineserver' | grep -v grep
}
# The title bar names the program, then the picture shown.
# (an X server that turns the search away says so: that is not "gone")
window_gone() { [ -z "$(xdotool search --name "^$1( |\$)" 2>&1)" ]; }
find_window() { window=$(xdotool search --onlyvisible --name "^$1( |\$)" 2>/dev/null | head -n1); [ -n "$window" ]; }
window_title() { xdotool getwindowname "$window" 2>/dev/null; }
titled() { [ "$(window_title)" = "$1" ]; }
pane_text() { tmux -S "$socket" capture-pane -p -t show; }
press() { tmux -S "$socket" send-keys -t show "$@"; }
ended() { [ -s "$work/rc" ]; }
# The run's exit code, once the console's code page is seen given back.
# (not in a subshell: a failure found here must count)
expect_exit_code() {
    local code=none
    wait_until ended && code=$(cat "$work/rc")
    [ "$code" = "$1" ] || fail "$2: exit code $code, not $1"
    wait_until [ -s "$work/code-page.after" ] && grep -q 'page' "$work/code-page.before" &&
        cmp -s "$work/code-page.before" "$work/code-page.after" ||
        fail "run $runs: the console's $(cat "$work/code-page.before"), then $(cat "$work/code-page.after")"
}

# The drawing area: the picture's border is its outermost pixels, white.
screen_shot() { timeout 20 import -window root "png:$work/screen.png" 2>/dev/null; }
# (the first and last white pixels of the screen's middle row and column)
white_ends() {
    convert "$work/screen.png" -crop "$1" txt:- | awk -F'[ ,:]' -v axis="$2" \
        '/#FCFCFC/ {v = $(axis); if (!n++) first = v} END {if (n) print first, v}'
}
find_drawing_area() {
    screen_shot || return 1
    local width height
    read -r width height <<<"$(identify -format '%w %h' "$work/screen.png")"
    read -r left right <<<"$(white_ends "${width}x1+0+$((height / 2))" 1)"
    read -r top bottom <<<"$(white_ends "1x${height}+$((width / 2))+0" 2)"
    [ -n "${right:-}" ] && [ -n "${bottom:-}" ] && [ "$right" -gt "$left" ] && [ "$bottom" -gt "$top" ]
}
differing_pixels() {
    screen_shot || { echo "no screen"; return; }
    convert "$work/screen.png" -crop "${size}+${left}+${top}" +repage "$work/client.png"
    compare -metric AE "$work/client.png" "$1" null: 2>&1
}
shows() { [ "$(differing_pixels "$1")" = 0 ]; }
shots=$work/shots
wait_for_picture() {
    local picture
    picture=$(printf '%s/%02d.png' "$shots" "$1")
    wait_until shows "$picture" || fail "picture $1 not shown as exported in run $runs: $(differing_pixels "$picture") pixels differ"
}

# A whole show: pictures 1 to 12, keys from the console and the window by turns.
start_program surfplot
wait_until find_drawing_area || fail "no picture in the window"
size=$((right - left + 1))x$((bottom - top + 1))
echo "drawing area $size at $left,$top"
run_exe "$build/tools/surfplot-shots.exe" --size "$size" --out "$work/shots" >/dev/null 2>&1 </dev/null ||
    fail "surfplot-shots.exe --size $size failed"
# Keys with a character count once, keys without one (F1, F5, Down) twice.
# (No lone Escape: Wine's console on a terminal waits for the rest of a sequence.)
steps=("1 console x" "2 window a" "3 console Enter" "4 window F5" "6 console F1" "8 window b"
       "9 console é" "10 window Down" "12 console y")
for step in "${steps[@]}"; do
    read -r picture side key <<<"$step"
    wait_for_picture "$picture"
    if [ "$picture" = 9 ]; then
        wait_until titled "surfplot — 9/12 X-Y fv-metszet, tömör" || fail "title of picture 9: $(window_title)"
    fi
    if [ "$side" = console ]; then
        if [ "$key" = é ]; then press -l é; else press "$key"; fi
    else
        xdotool key --window "$window" "$key"
    fi
done
expect_exit_code 0 "normal end"
titles=$(pane_text | head -n 12 | sed 's/ *$//')
expected='Szintvonal-1
Szintvonal-2
Pontfelhö
Tégla (2,2)
Tégla (1,1)
Tégla (0,1)
Tégla (1,0)
X fv-metszet, lepel
X-Y fv-metszet, tömör
X fv-metszet, lepel
X-Y fv-metszet, tömör
Festett 4szögek'
[ "$titles" = "$expected" ] || fail "console titles: $titles"

# Ctrl+C in the console, in the window, and the window closed.
start_program surfplot
wait_for_picture 1
press C-c
expect_exit_code 130 "Ctrl+C in the console"
start_program surfplot
wait_for_picture 1
xdotool key --window "$window" ctrl+c 2>/dev/null  # (the key-up finds the window gone)
expect_exit_code 130 "Ctrl+C in the window"
start_program surfplot
wait_for_picture 1
xdotool key --window "$window" alt+F4 2>/dev/null
expect_exit_code 0 "window closed"

# Options: starting later, watching a picture grow, and the answers that
# need no window, which name the program as the user types it.
start_program surfplot --from=8 --watch=0.5
for picture in 8 9 10 11 12; do
    wait_for_picture $picture
    press x
done
expect_exit_code 0 "--from=8"
version=$(run_exe "$build/surfplot.exe" --version </dev/null 2>&1)
[ "$version" = "surfplot $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
    fail "--version: $version"
run_exe "$build/surfplot.exe" --from=13 </dev/null >/dev/null 2>"$work/bad"
code=$?
[ $code = 2 ] || fail "--from=13: exit code $code, not 2"
grep -q "^surfplot: bad --from value '13'" "$work/bad" || fail "--from=13 told: $(cat "$work/bad")"

# Wine managing the window as for a window manager, and none on this X
# server to maximise it: the window keeps the size it was made with.  The
# drawing area is that window's whole client area, the picture's right and
# bottom frame lines in it.
set_wine_managed() {
    timeout 120 "${WINE:-$(wine_program)}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f </dev/null >/dev/null 2>&1
}
set_wine_managed Y || fail "Wine's window management could not be turned on"
start_program surfplot
if wait_until find_drawing_area; then
    size=$((right - left + 1))x$((bottom - top + 1))
    client=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h " at " x "," y}')
    echo "managed window: drawing area $size at $left,$top, client area $client"
    [ "$size at $left,$top" = "$client" ] || fail "the managed window's picture is not its client area: $size at $left,$top"
    shots=$work/managed-shots
    run_exe "$build/tools/surfplot-shots.exe" --size "$size" --out "$shots" >/dev/null 2>&1 </dev/null ||
        fail "surfplot-shots.exe --size $size failed"
    wait_for_picture 1
else
    fail "no whole picture in the managed window"
fi
press C-c
expect_exit_code 130 "Ctrl+C, managed window"
set_wine_managed N || fail "Wine's window management could not be turned off"

[ $failures -eq 0 ] && echo "surfplot.exe: pictures, keys and exit codes as on Linux"
exit $((failures > 0))

#!/usr/bin/env bash
# The teacher's and the student's options in a real window: --watch shows a
# picture part-drawn and then finished exactly as exported, a key while it
# grows finishes it without moving on, --from starts at the right picture
# with the right titles (the upside-down ones from 10 on), the title bar
# names the picture, and a bad option gets one line and exit code 2 before
# the terminal or a window is touched.  --help and --version everywhere.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"

size=800x600
start_display $size
make_shots surfplot $size
convert -size $size xc:black "$work/black.png"

# Pixels that are not black: in the window now, and in an exported picture.
drawn_now() {
    timeout 20 import -window "$window" "png:$work/now.png" 2>/dev/null || { echo 0; return; }
    compare -metric AE "$work/now.png" "$work/black.png" null: 2>&1
}
drawn_in() { compare -metric AE "$1" "$work/black.png" null: 2>&1; }
shot() { printf '%s/shots/%02d.png' "$work" "$1"; }
now() { date +%s.%N; }
# Seconds since a time from now(); and a comparison of two decimals.
since() { awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.2f", end - start }'; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
title_is() { [ "$(window_title)" = "$1" ]; }
wait_for_title() { wait_until title_is "$1" || fail "window title '$(window_title)', not '$1'"; }
# The console's first rows show the titles of pictures FIRST..LAST.
console_from() {
    local first=$1 last=$2
    [ "$(pane_text | head -n $((last - first + 1)) | sed 's/ *$//')" = \
        "$(printf '%s\n' "${expected_titles[@]:$((first - 1)):$((last - first + 1))}")" ]
}

# --- every program answers --help and --version ------------------------
for program in surfplot surfkit tools/surfplot-shots tools/surfkit-shots tools/surfcompare tools/surfgrade; do
    name=${program#tools/}
    "$build/$program" --help >"$work/help" 2>"$work/err" || fail "$name --help: exit code $?"
    head -n 1 "$work/help" | grep -q "^Usage: $name " || fail "$name --help: first line $(head -n 1 "$work/help")"
    grep -q '^  --version  ' "$work/help" || fail "$name --help does not list --version"
    version=$("$build/$program" --version) || fail "$name --version: exit code $?"
    [[ $version =~ ^$name\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$name --version says '$version'"
    "$build/$program" --frobnicate >"$work/out" 2>"$work/err"; rc=$?
    [ $rc -eq 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q -- "--frobnicate.*--help" "$work/err" ||
        fail "$name --frobnicate: exit code $rc, said $(cat "$work/out" "$work/err")"
done

# --- bad options: one line, exit 2, the terminal and the display untouched ---
start_terminal 100 30 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11
for bad in "--from 0" "--from=13" "--from" "--watch=0.05" "--watch=61" "--watch 5" "--watch=x" "-w" "picture"; do
    press -l clear
    press Enter
    run_in_terminal "$build/surfplot $bad 2>$work/err"
    wait_for_end
    [ "$(exit_code)" = 2 ] || fail "surfplot $bad: exit code $(exit_code)"
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q "try 'surfplot --help'" "$work/err" || fail "surfplot $bad said: $(cat "$work/err")"
    check_terminal_restored "surfplot $bad"
    ! pane_colours | grep -q $'\e\\[[0-9;]*44m' || fail "surfplot $bad painted the console"
    window_gone surfplot || fail "surfplot $bad opened a window"
done

# --- without a window --watch changes nothing, and says so once ---------
printf 'abcdefghijkl' | env -u DISPLAY SDL_VIDEODRIVER=dummy timeout 60 "$build/surfplot" --watch=60 >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 0 ] && [ "$(cat "$work/out")" = "$(titles_upto 12)" ] || fail "--watch without a window: exit code $rc, titles $(cat "$work/out")"
[ "$(grep -c -- "--watch" "$work/err")" -eq 1 ] || fail "--watch without a window said: $(cat "$work/err")"

# --- watching from picture 8 -----------------------------------------------
# A watch of a minute: a picture seen whole within half of it was finished
# by a key, however slow the machine.
part_way() {
    local part whole
    part=$(drawn_now)
    whole=$(drawn_in "$(shot "$1")")
    [ "$part" -gt 0 ] && [ "$part" -lt "$whole" ]
}
wait_part_way() { wait_until part_way "$1" || fail "picture $1 not seen part-way: $(drawn_now) pixels drawn"; }
finished_by_key() {
    deadline_seconds=30 wait_until shows "$(shot "$1")" ||
        fail "picture $1 not finished by the key: $(differing_pixels "$(shot "$1")") pixels differ"
}
press -l clear
press Enter
run_in_terminal "$build/surfplot --watch=60 --from 8"
wait_for_window surfplot
wait_for_title "surfplot — 8/12 X fv-metszet, lepel"
wait_part_way 8
console_from 8 8 || fail "console after --from 8: $(pane_text | head -n 3)"

# A key while the picture grows finishes it without moving on: the next key
# moves on to picture 9, which is then seen growing.
press x
finished_by_key 8
press y
wait_for_title "surfplot — 9/12 X-Y fv-metszet, tömör"
wait_part_way 9
press z
finished_by_key 9
title_is "surfplot — 9/12 X-Y fv-metszet, tömör" || fail "the key that finished picture 9 moved on: $(window_title)"

# Pictures 10 to 12: the table upside down, as in the whole show.
for picture in 10 11 12; do
    press z
    wait_for_title "surfplot — $picture/12 ${expected_titles[$((picture - 1))]}"
    wait_part_way $picture
    press z
    finished_by_key $picture
done
console_from 8 12 || fail "console after picture 12: $(pane_text | head -n 6)"
press z
wait_for_end
[ "$(exit_code)" = 0 ] || fail "--watch --from 8: exit code $(exit_code)"
check_terminal_restored "--watch --from 8"

# --- the exercise frame: its own name, few operations still take the time ---
make_shots surfkit $size
press -l clear
press Enter
run_in_terminal "$build/surfkit --watch=2 --from=12"
wait_for_window surfkit
wait_for_title "surfkit — 12/12 Festett 4szögek"
started=$(now)
wait_for_picture 12 "surfkit watched"
took=$(since "$started")
less 1.2 "$took" || fail "surfkit's picture 12 took $took s, not about 2"
press z
wait_for_end
[ "$(exit_code)" = 0 ] || fail "surfkit --watch: exit code $(exit_code)"
finish

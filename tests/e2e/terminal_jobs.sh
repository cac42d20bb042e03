#!/usr/bin/env bash
# The show as a job of an interactive shell: stopped with Ctrl+Z, sent to
# the background with `bg` (where it leaves the shell's screen alone),
# brought back with `fg` (keys work at once again, the console is painted
# again), and killed while stopped (the shell's lines stay where they are).
set -u
build=$1
source "$(dirname "$0")/desktop.bash"
plot=$build/surfplot

# Rows 3 and below hold nothing: the console covers the whole screen again.
only_console_text() { [ -z "$(pane_text | sed -n '3,$p' | tr -d ' \n')" ]; }

# A terminal no larger than the text window: the console covers it all,
# so a paint while in the background would wipe the shell's lines.
start_terminal 70 20 SDL_VIDEODRIVER=dummy
rm -f "$work/stty.before" "$work/rc" "$work/stty.after"
type_line "stty -g >$work/stty.before; $plot"
wait_for_titles 1
press a
wait_for_titles 2
press C-z
wait_until pane_has 'Stopped' || fail "Ctrl+Z did not stop the show"
pid=$(program_pid)
sleeps=$(main_thread_sleeps "$pid")
type_line "bg"
wait_until pane_has "^\[1\]+ $plot &" || fail "bg did not continue the show: $(pane_text | grep -v '^ *$')"
type_line "echo shell-line"
wait_until pane_has '^shell-line' || fail "the shell did not take a command beside the background show"
# Continued, the show looks whether it has the terminal, then waits, waking
# every so often to see whether fg brought it back: once it has slept twice
# since it was stopped, it is past the point where it would paint.
wait_until slept_more_than "$pid" $((sleeps + 1)) || fail "the background show did not go back to waiting"
wait_for_earlier_output
pane_has "^\[1\]+ $plot &" && pane_has '^shell-line' ||
    fail "the background show painted over the shell: $(pane_text | grep -v '^ *$')"
type_line "fg; echo \$? >$work/rc; stty -g >$work/stty.after"
wait_until only_console_text || fail "the console was not painted again after fg: $(pane_text | grep -v '^ *$')"
wait_for_titles 2
press b  # no Enter: the key mode is back
wait_for_titles 3
for key in c d e f g h i j; do press $key; done
wait_for_titles 11
press Right  # a cursor key counts twice: the escape sequence is decoded again
wait_for_end
[ "$(exit_code)" = 0 ] || fail "after Ctrl+Z, bg, fg: exit code $(exit_code), not 0"
check_terminal_restored "after Ctrl+Z, bg, fg"
stop_terminal

# Killed while stopped: the end does not move the cursor back up into the
# console's rows, where the shell would then write over its own lines.
start_terminal 90 30 SDL_VIDEODRIVER=dummy
rm -f "$work/stty.before" "$work/stty.after"
type_line "stty -g >$work/stty.before; $plot"
wait_for_titles 1
press a
wait_for_titles 2
press C-z
wait_until pane_has 'Stopped' || fail "Ctrl+Z did not stop the show"
type_line "seq 101 106"
wait_until pane_has '^106' || fail "the shell did not run seq"
# (wait: the show has written all it writes before the marker)
type_line "kill %1; wait %1; echo marker; stty -g >$work/stty.after"
wait_until test -s "$work/stty.after" || fail "the shell did not go on after kill"
lines=$(pane_text | grep -v '^ *$')
for expected in 101 102 103 104 105 106 marker; do
    grep -q "^$expected\$" <<<"$lines" || fail "killed while stopped: '$expected' written over: $lines"
done
[ "$(grep -n '^106$' <<<"$lines" | cut -d: -f1)" -lt "$(grep -n '^marker$' <<<"$lines" | cut -d: -f1)" ] ||
    fail "killed while stopped: the shell wrote above its earlier lines: $lines"
check_terminal_restored "killed while stopped"
[ -z "$(shell_children)" ] || fail "the show is still running after kill"
finish

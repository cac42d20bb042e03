# Helpers for the end-to-end tests of the show on a desktop: a private X
# server, a private terminal (tmux) running an interactive shell, keys for
# both, and screenshots of the window compared with the headless export.
# Sourced by the tests; needs Xvfb, tmux, xdotool, ImageMagick and python3.
#
# A test sets `build`, sources this file and starts what it needs
# (start_display, start_terminal); the EXIT trap ends all of it: the X
# server by its process id, each terminal by its own tmux socket.

# Without its tools the test cannot run: skipped, or on CI failed.
source "${BASH_SOURCE[0]%/*}/../support/needs.bash"
need_tools Xvfb tmux xdotool import compare python3

work=$(mktemp -d)
failures=0
# tmux reads and shows the titles' UTF-8 only in a UTF-8 locale.
export LC_ALL=C.UTF-8
xvfb_pid=
terminals=0
tmux_socket=
deadline_seconds=${E2E_DEADLINE:-90}

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

finish() {
    [ $failures -eq 0 ] && echo "all checks passed" || echo "$failures check(s) failed"
    [ $failures -eq 0 ]
}

cleanup() {
    local socket
    for socket in "$work"/tmux.*.socket; do [ -S "$socket" ] && tmux -S "$socket" kill-server 2>/dev/null; done
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits until the command succeeds; false once the deadline has passed.
wait_until() {
    local end=$((SECONDS + deadline_seconds))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}

# An X server of its own on a free display, WIDTHxHEIGHT, no window manager:
# the window then gets the display's whole usable area.
start_display() {
    local size=$1
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    wait_until test -s "$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=:$(head -n1 "$work/display")
    unset WAYLAND_DISPLAY
}

# An interactive shell in a terminal of COLUMNSxROWS, with the environment
# given as NAME=VALUE arguments; each terminal has a tmux server of its own.
start_terminal() {
    local columns=$1 rows=$2
    shift 2
    terminals=$((terminals + 1))
    tmux_socket=$work/tmux.$terminals.socket
    tmux -f /dev/null -S "$tmux_socket" new-session -d -x "$columns" -y "$rows" -s show \
        env -i PATH="$PATH" HOME="$work" TERM=screen LC_ALL=C.UTF-8 HISTFILE=/dev/null PS1='$ ' \
        ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" "$@" bash --norc --noprofile -i
    wait_until pane_has '^\$' || fail "the shell did not start"
}

stop_terminal() { tmux -S "$tmux_socket" kill-server 2>/dev/null; }

type_line() { tmux -S "$tmux_socket" send-keys -t show -l "$1" && tmux -S "$tmux_socket" send-keys -t show Enter; }
# Keys by tmux name (Right, F5, Escape, C-c) or literal text with -l.
press() { tmux -S "$tmux_socket" send-keys -t show "$@"; }
pane_text() { tmux -S "$tmux_socket" capture-pane -p -t show; }
pane_colours() { tmux -S "$tmux_socket" capture-pane -p -e -t show; }
pane_has() { pane_text | grep -q -- "$1"; }
cursor_row() { tmux -S "$tmux_socket" display-message -p -t show '#{cursor_y}'; }
shell_pid() { tmux -S "$tmux_socket" display-message -p -t show '#{pane_pid}'; }
# The processes the shell runs, as "pid (name)" lines, from /proc (through
# cat: a process that ends meanwhile must not stop the whole look).
shell_children() { cat /proc/[0-9]*/stat 2>/dev/null | awk -v parent="$(shell_pid)" '$4 == parent {print $1, $2}'; }
# The program the shell runs in the foreground.
program_pid() { shell_children | awk 'NR == 1 {print $1}'; }

# How often the program's main thread has gone to sleep to wait for something.
main_thread_sleeps() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/status" 2>/dev/null; }
# True once the main thread of program PID has slept more than N times.
slept_more_than() { [ "$(main_thread_sleeps "$1")" -gt "$2" ] 2>/dev/null; }

# Waits until all that was written on the terminal so far is on the pane:
# a line the shell echoes now reaches tmux after it (a terminal keeps order).
wait_for_earlier_output() {
    local mark="written-before-$RANDOM"
    type_line "echo $mark"
    wait_until pane_has "^$mark" || fail "the shell did not echo $mark"
}

# Runs the command line in the shell, recording the terminal's settings
# before and after and the exit code in $work/rc.
run_in_terminal() {
    rm -f "$work/rc" "$work/stty.before" "$work/stty.after"
    type_line "stty -g >$work/stty.before; $1; echo \$? >$work/rc; stty -g >$work/stty.after"
}
wait_for_end() { wait_until test -s "$work/stty.after" || fail "the program did not end"; }
exit_code() { cat "$work/rc" 2>/dev/null; }
check_terminal_restored() {
    cmp -s "$work/stty.before" "$work/stty.after" || fail "$1: terminal settings changed: $(cat "$work/stty.before") -> $(cat "$work/stty.after")"
}

# xdotool, tried again while a busy X server turns connections away.
xdo() {
    local try output
    for try in 1 2 3 4 5 6 7 8 9 10; do
        output=$(xdotool "$@" 2>&1) && { [ -n "$output" ] && echo "$output"; return 0; }
        case $output in *"open display"*) sleep 0.2 ;; *) return 1 ;; esac
    done
    return 1
}

# The show's window, once it exists: named after the program, and after
# the picture it shows ("surfplot — 8/12 X fv-metszet, lepel").
find_window() { window=$(xdotool search --name "^$1(\$| )" 2>/dev/null | head -n1); [ -n "$window" ]; }
wait_for_window() { window=; wait_until find_window "$1" || fail "no window named $1"; }
# (an X server that turns the search away says so: that is not "gone")
window_gone() { [ -z "$(xdotool search --name "^$1(\$| )" 2>&1)" ]; }

# The window's title, UTF-8.
window_title() { xdo getwindowname "$window"; }

# The headless export at the window's size, to compare with.
make_shots() {
    "$build/tools/$1-shots" --size "$2" --out "$work/shots" >/dev/null 2>&1 || fail "$1-shots failed"
}

# Pixels that differ between the window as shown and an image of the same size.
differing_pixels() {
    # (import without a window would wait for a click; a stuck one is cut off)
    [ -n "$window" ] && timeout 20 import -window "$window" "png:$work/screen.png" 2>/dev/null || { echo "no window"; return; }
    compare -metric AE "$work/screen.png" "$1" null: 2>&1
}
shows() { [ "$(differing_pixels "$1")" = 0 ]; }
# Waits until the window shows picture N of the export exactly.
wait_for_picture() {
    local picture
    picture=$(printf '%s/shots/%02d.png' "$work" "$1")
    wait_until shows "$picture" || fail "picture $1 not shown as exported (${2:-}): $(differing_pixels "$picture") pixels differ"
}

# The window manager's close request (WM_DELETE_WINDOW), as a close button sends it.
request_close() {
    python3 - "$1" <<'EOF'
import ctypes, sys, time
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

display = None
for attempt in range(20):
    display = x.XOpenDisplay(None)
    if display:
        break
    time.sleep(0.2)
window = int(sys.argv[1])
message = ClientMessage(type=33, window=window, format=32,
                        message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
message.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(message))
x.XFlush(display)
x.XCloseDisplay(display)
EOF
}

# The show's titles, one per picture, as the export prints them.
mapfile -t expected_titles < <("$build/tools/surfplot-shots" --size 102x150 --out "$work/titles" 2>"$work/titles.err")
[ ${#expected_titles[@]} -eq 12 ] || { echo "cannot read the titles from surfplot-shots: $(cat "$work/titles.err")"; exit 1; }
rm -rf "$work/titles"

# The first N titles, one per line.
titles_upto() { printf '%s\n' "${expected_titles[@]:0:$1}"; }

# The console shows the first N titles on its top rows, trailing blanks cut.
console_shows_titles() {
    [ "$(pane_text | head -n "$1" | sed 's/ *$//')" = "$(titles_upto "$1")" ]
}
wait_for_titles() { wait_until console_shows_titles "$1" || fail "console does not show $1 titles: $(pane_text | head -n 14)"; }

#!/usr/bin/env bash
# The show started as the desktop menu starts it: the entry's Exec line with
# no terminal (a new session, standard input at its end, output to a log),
# on a private X display; twelve keys in the window end it with exit code 0.
set -u
build=$1 source=$2
source "$source/tests/e2e/desktop.bash"
source "$(dirname "$0")/package.bash"
unpack

entry=$root/usr/share/applications/surfplot.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
size=640x480
start_display $size
"$root/usr/bin/surfplot-shots" --size $size --out "$work/shots" >/dev/null || fail "surfplot-shots"

# setsid: no controlling terminal, as under a desktop session.
setsid -w sh -c "exec $exec_line" </dev/null >"$work/log" 2>&1 &
program=$!
wait_for_window surfplot
for picture in 1 2 3 4 5 6 7 8 9 10 11 12; do
    wait_for_picture $picture "started from the menu"
    kill -0 $program 2>/dev/null || { fail "the show ended before key $picture"; break; }
    xdo key --window "$window" space 2>/dev/null
done
end=$((SECONDS + 30))
while kill -0 $program 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.2; done
if kill -0 $program 2>/dev/null; then
    fail "the show did not end after twelve keys"
    kill $program
fi
wait $program; rc=$?
[ $rc -eq 0 ] || fail "exit code $rc: $(head -n 5 "$work/log")"
wait_until window_gone surfplot || fail "the window is still open"
finish

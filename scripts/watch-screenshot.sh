#!/usr/bin/env bash
# Makes the README's picture of --watch: surfplot under a private X server,
# picture 9 half drawn, saved as docs/images/watch-09.png.
# Usage: scripts/watch-screenshot.sh [BUILD_DIR]   (default build)
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
source "$top/tests/e2e/desktop.bash"

start_display 800x600
start_terminal 100 30 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11
run_in_terminal "$build/surfplot --watch=8 --from 9"
wait_for_window surfplot
wait_until pane_has 'X-Y fv-metszet' || fail "picture 9 did not start"
sleep 4
import -window "$window" "png:$top/docs/images/watch-09.png" || fail "no screenshot"
# The rest of the show: each key finishes a picture or moves on.
for _ in $(seq 40); do
    [ -s "$work/stty.after" ] && break
    press q
    sleep 0.3
done
wait_for_end
finish && echo "wrote docs/images/watch-09.png"

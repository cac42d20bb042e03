#!/usr/bin/env bash
# On a machine without tmux, xdotool, Xvfb and bwrap the tests that need
# them are skipped (exit 77), and with CI set they fail instead, naming the
# tool; a part of a test left out is a failure on CI too.
# Usage: skip_switch.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# This machine's commands but those four.
mkdir "$work/bin"
for dir in /usr/local/sbin /usr/local/bin /usr/sbin /usr/bin /sbin /bin; do
    [ -d "$dir" ] && ln -s "$dir"/* "$work/bin/" 2>/dev/null
done
rm -f "$work/bin/tmux" "$work/bin/xdotool" "$work/bin/Xvfb" "$work/bin/bwrap"

# run_without CI_VALUE SCRIPT ARGS...: sets rc and out.
run_without() {
    local ci=$1
    shift
    rc=0
    out=$(env PATH="$work/bin" CI="$ci" bash "$@" 2>&1) || rc=$?
}

scripts=(surfgrade terminal_jobs window_close window_keys window_output window_repaint window_show window_signals
    window_watch degraded error_location)
for name in "${scripts[@]}"; do
    script=$source_dir/tests/e2e/$name.sh
    run_without true "$script" "$build"
    [ $rc -eq 1 ] && grep -qE '^FAIL: (tmux|xdotool|Xvfb|bwrap) is not installed' <<<"$out" ||
        fail "$name with CI=true: exit $rc, not a failure naming the tool: $out"
    run_without "" "$script" "$build"
    [ $rc -eq 77 ] && grep -qE '^skipped: (tmux|xdotool|Xvfb|bwrap) is not installed' <<<"$out" ||
        fail "$name without CI: exit $rc, not skipped: $out"
done
# A package test too (it stops at its tools, before it looks for the package).
run_without true "$source_dir/packaging/tests/menu.sh" "$build" "$source_dir"
[ $rc -eq 1 ] && grep -qE '^FAIL: (tmux|xdotool|Xvfb) is not installed' <<<"$out" ||
    fail "package test menu with CI=true: exit $rc: $out"

# A part left out: a note, or on CI one failure counted by the test.
part() {
    env CI="$1" bash -c "source '$source_dir/tests/support/needs.bash'
        failures=0; fail() { echo \"FAIL: \$*\"; failures=\$((failures + 1)); }
        skip_part 'the JPEG check: convert is not installed'; exit \$failures"
}
out=$(part true) && fail "a part left out on CI counts no failure: $out"
grep -q '^FAIL: the JPEG check: convert is not installed' <<<"$out" || fail "a part left out on CI: $out"
out=$(part false) || fail "a part left out with CI=false counts a failure: $out"
grep -q '^skipped: the JPEG check' <<<"$out" || fail "a part left out off CI: $out"

[ $failures -eq 0 ] && echo "skip switch: all checks passed"
[ $failures -eq 0 ]

#!/usr/bin/env bash
# The export commands and surfcompare --diff under failure, interrupts,
# SIGKILL and many runs at once: every folder ends with all its pictures of
# one run, nothing of ours left behind.  Also files that are no PNG, and
# --help into an output that cannot take it.
# Usage: output_safety.sh BUILD_DIR
set -u
source "$(dirname "$0")/../support/needs.bash"
build=${1:?usage: output_safety.sh BUILD_DIR}
shots=$build/tools/surfplot-shots
kit=$build/tools/surfkit-shots
compare=$build/tools/surfcompare
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cd "$work" || exit 2

sums() { (cd "$1" && md5sum ./*.png 2>/dev/null); }
# No hidden file or folder of ours left in the folder.
clean() { [ -z "$(ls -A "$1" | grep '^\.')" ] || fail "$2: left in $1: $(ls -A "$1" | grep '^\.')"; }
# Waits up to 60 s for a condition.
wait_for() {
    local i
    for i in $(seq 600); do eval "$1" && return 0; sleep 0.1; done
    fail "timed out waiting for: $1"
    return 1
}
# Runs a command with its standard output a pipe that is already full, so
# that it stops at its first output; sets pid.  The pipe is a FIFO that
# this shell holds open for reading and never reads.
start_blocked() {
    exec 7<&-
    rm -f "$work/full-pipe" && mkfifo "$work/full-pipe" && exec 7<>"$work/full-pipe"
    { head -c 65536 /dev/zero; exec "$@"; } >"$work/full-pipe" 2>"$work/blocked.err" &
    pid=$!
    blocked_program=$1
    pids+=("$pid")
}
# The blocked run waits in its write to the full pipe (its titles or report).
writing() { grep -qs pipe_write /proc/"$pid"/task/*/wchan; }
# (each program and exit code seen, for its --help to be checked at the end)
codes_seen=()
ended_with() {  # ended_with PID CODE WHAT
    local rc=0
    wait "$1" || rc=$?
    [ "$rc" -eq "$2" ] || fail "$3: exit $rc, expected $2 ($(cat "$work/blocked.err"))"
    codes_seen+=("$blocked_program $rc")
}
# Interrupted after its titles or report: the run says that nothing was
# replaced, and FOLDER still holds the pictures of SUMS, with nothing left over.
nothing_replaced() {  # nothing_replaced FOLDER SUMS MESSAGE WHAT
    grep -q "$3" blocked.err || fail "$4: $(cat blocked.err)"
    diff <(sums "$1") "$2" >/dev/null || fail "$4: pictures changed"
    clean "$1" "$4"
}

"$shots" --size 300x200 --out old >/dev/null 2>&1 || fail "first export"
sums old >old.sums

# A failed export (a folder where 05.png goes) changes no picture.
cp -r old o5 && rm o5/05.png && mkdir o5/05.png && sums o5 >o5.sums
out=$("$shots" --size 320x200 --out o5 2>err); rc=$?
[ $rc -eq 2 ] || fail "folder in place of 05.png: exit $rc"
[ -z "$out" ] || fail "failed export printed titles: $out"
grep -q "o5/05.png: a folder is in its place" err || fail "folder in place of 05.png: $(cat err)"
diff <(sums o5) o5.sums >/dev/null || fail "failed export changed pictures"
clean o5 "failed export"

# Each step of a commit failing in turn (a rename, a sync to the disk, a
# folder made), through a library that fails the Nth call: every run that
# fails says so in one line, prints no titles, and leaves the folder all
# old; the first run past the last step leaves it all new.
preload=$build/tests/libsurf_failing_calls.so
"$shots" --size 320x200 --out new >/dev/null 2>&1 || fail "reference export"
"$kit" --size 300x200 --out kit >/dev/null 2>&1 || fail "kit export"
sums new >new.sums
failing() {  # failing CALLS COMMAND...: the command with those calls failing
    local calls=$1
    shift
    SURF_FAIL_CALLS=$calls LD_PRELOAD=$preload ASAN_OPTIONS=verify_asan_link_order=0 "$@"
}
if [ -f "$preload" ]; then
    for call in rename fdatasync mkdir; do
        # (mkdir: into three new levels, which must go again)
        target=step && [ $call = mkdir ] && target=made-step/a/b
        for n in $(seq 80); do
            rm -rf step made-step && cp -r old step
            rc=0; failing "$call:$n" "$shots" --size 320x200 --out $target >out 2>err || rc=$?
            if [ $rc -eq 0 ]; then
                diff <(sums $target) new.sums >/dev/null || fail "$call $n: succeeded without every new picture"
                [ "$n" -gt 3 ] || fail "$call: no step of a commit failed (did the library load?)"
                break
            fi
            what="export with $call $n failing"
            [ $rc -eq 2 ] && [ "$(wc -l <err)" -eq 1 ] || fail "$what: exit $rc, $(cat err)"
            # Titles printed only with a failure after them said so.
            [ ! -s out ] || grep -q "the titles above were printed, but no picture was replaced" err ||
                fail "$what: printed titles, then $(cat err)"
            diff <(sums step) old.sums >/dev/null || fail "$what: pictures changed"
            clean step "$what"
            [ ! -e made-step ] || fail "$what: left the folders it made"
        done
    done
    # A rename back failing too: the next run puts the old pictures back.
    rm -rf step && cp -r old step
    failing "rename:20 rename:21" "$shots" --size 320x200 --out step >/dev/null 2>err
    grep -q "could not all be put back: the next run into step puts them back" err || fail "roll-back failing: $(cat err)"
    "$shots" --size 320x200 --out step >/dev/full 2>/dev/null
    diff <(sums step) old.sums >/dev/null || fail "roll-back failing: not put back by the next run"
    clean step "roll-back failing, then a run"
    # A compare into an earlier diff folder, each rename failing in turn.
    "$compare" old kit --diff step-diff >/dev/null 2>&1
    sums step-diff >step-diff.sums
    for n in $(seq 40); do
        rc=0; failing "rename:$n" "$compare" kit old --diff step-diff >out 2>err || rc=$?
        [ $rc -eq 1 ] && break
        [ $rc -eq 2 ] && { [ ! -s out ] || grep -q "the report above was printed, but no diff picture was replaced" err; } ||
            fail "compare with rename $n failing: exit $rc, $(cat err)"
        diff <(sums step-diff) step-diff.sums >/dev/null || fail "compare with rename $n failing: diff pictures changed"
        clean step-diff "compare with rename $n failing"
    done
    diff <(sums step-diff) step-diff.sums >/dev/null && fail "compare past every step: diff pictures not replaced"
else
    skip_part "each step failing: no $preload"
fi

# Interrupted while it prints its titles (all twelve new pictures are in
# place then, the old ones kept aside): everything put back, exit 128+N.
for signal in INT:130 TERM:143 HUP:129; do
    cp -r old "sig-$signal"
    start_blocked "$shots" --size 320x200 --out "sig-$signal"
    wait_for "[ -e sig-$signal/.surf-work.*/journal ] && writing"
    kill -"${signal%:*}" "$pid"
    ended_with "$pid" "${signal#*:}" "export interrupted by SIG${signal%:*}"
    nothing_replaced "sig-$signal" old.sums \
        "surfplot-shots: interrupted: the titles above were printed, but no picture was replaced" "SIG${signal%:*}"
done
# With --progress the titles come while the pictures are drawn: one
# interrupted there says so too.
cp -r old progress
start_blocked "$shots" --size 320x200 --out progress --progress
wait_for "writing"
kill -TERM "$pid"
ended_with "$pid" 143 "export with --progress interrupted"
nothing_replaced progress old.sums "interrupted: the titles above were printed, but no picture was replaced" \
    "--progress interrupted"
# ... and into a folder it made: the folder goes too.
start_blocked "$shots" --size 320x200 --out made/a/b
wait_for "[ -e made/a/b/.surf-work.*/journal ]"
kill -INT "$pid"
ended_with "$pid" 130 "export into a new folder interrupted"
[ ! -e made ] || fail "interrupted export left the folders it made: $(ls -RA made)"

# Killed there: the next run in the folder puts the old pictures back
# before it starts; here it fails too (no room for its titles), so the
# folder must show the first export again.
cp -r old killed
start_blocked "$shots" --size 320x200 --out killed
wait_for "[ -e killed/.surf-work.*/journal ]"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
"$shots" --size 320x200 --out killed >/dev/full 2>err && fail "export into /dev/full succeeded"
grep -q "cannot write the titles to standard output" err || fail "/dev/full: $(cat err)"
diff <(sums killed) old.sums >/dev/null || fail "after SIGKILL: the old pictures are not back"
clean killed "after SIGKILL"
"$shots" --size 320x200 --out killed >/dev/null 2>&1 || fail "export after SIGKILL"
file killed/01.png killed/12.png | grep -c "320 x 200" | grep -q 2 || fail "export after SIGKILL: not written"
clean killed "export after SIGKILL"

# surfcompare --diff interrupted while it prints its report: the diff
# folder it made is gone; an earlier diff folder is as it was.
start_blocked "$compare" old kit --diff newdiff
wait_for "[ -e newdiff/.surf-work.*/journal ]"
kill -TERM "$pid"
ended_with "$pid" 143 "compare interrupted"
[ ! -e newdiff ] || fail "interrupted compare left its diff folder: $(ls -A newdiff)"
"$compare" old kit --diff keep >/dev/null 2>&1
sums keep >keep.sums
start_blocked "$compare" kit old --diff keep
wait_for "[ -e keep/.surf-work.*/journal ] && writing"
kill -HUP "$pid"
ended_with "$pid" 129 "compare into an earlier diff folder interrupted"
nothing_replaced keep keep.sums "surfcompare: interrupted: the report above was printed, but no diff picture was replaced" \
    "compare interrupted after its report"

# Many runs at once into one folder: each folder ends with one run's
# pictures, and every run says it succeeded only when it did.
runs=${SURF_RACE_RUNS:-25}
racers=()
for i in $(seq "$runs"); do
    ("$shots" --size 102x150 --out "race$i" >/dev/null 2>"race$i.a"; echo $? >"race$i.rca") &
    racers+=($!)
    ("$shots" --size 102x151 --out "race$i" >/dev/null 2>"race$i.b"; echo $? >"race$i.rcb") &
    racers+=($!)
done
wait "${racers[@]}"
for i in $(seq "$runs"); do
    [ "$(cat "race$i.rca")$(cat "race$i.rcb")" = 00 ] || fail "race $i: exit codes $(cat "race$i.rca") $(cat "race$i.rcb")"
    [ "$(file "race$i"/*.png | grep -o '102 x 15[01]' | sort -u | wc -l)" -eq 1 ] || fail "race $i: pictures of both runs"
    clean "race$i" "race $i"
done
racers=()
for i in $(seq "$runs"); do
    "$compare" old kit --diff "drace$i" >/dev/null 2>"drace$i.a" &
    racers+=($!)
    "$compare" kit old --diff "drace$i" >/dev/null 2>"drace$i.b" &
    racers+=($!)
done
wait "${racers[@]}"
exec 7<&-
# Each run's diff pictures have its own colours: magenta marks what old
# has and kit lacks, cyan the other way round; never both in one folder.
cat >kinds.py <<'PY'
import glob, struct, sys
for folder in sys.argv[1:]:
    kinds = set()
    for path in glob.glob(folder + "/*.png"):
        data, pos, plte = open(path, "rb").read(), 8, b""
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            if kind == b"PLTE": plte = data[pos + 8:pos + 8 + length]
            pos += 12 + length
        kinds.add(any(plte[i:i + 3] == b"\xff\x00\xff" for i in range(0, len(plte), 3)))
    if len(kinds) != 1: print(folder)
PY
mixed=$(python3 kinds.py $(for i in $(seq "$runs"); do echo "drace$i"; done))
[ -z "$mixed" ] || fail "compare race: diff pictures of both runs in $mixed"
for i in $(seq "$runs"); do
    grep -v 'waiting for it to finish' "drace$i.a" "drace$i.b" | grep -q . && fail "compare race $i: $(cat "drace$i.a" "drace$i.b")"
    clean "drace$i" "compare race $i"
done

# Not a PNG: refused by its first bytes at once, in words that say so.
cp -r old notpng
head -c 100000000 /dev/zero >notpng/07.png
rc=0; timeout 20 "$compare" old notpng >/dev/null 2>err || rc=$?
[ $rc -eq 2 ] || fail "zeros: exit $rc (124: too slow)"
grep -q "07.png: it starts with zero bytes, not a PNG signature" err || fail "zeros: $(cat err)"
if command -v convert >/dev/null; then
    convert old/07.png notpng/07.jpg && mv notpng/07.jpg notpng/07.png
    "$compare" old notpng >/dev/null 2>err
    grep -q "07.png: it looks like a JPEG picture, not a PNG picture" err || fail "JPEG: $(cat err)"
else
    skip_part "a JPEG named .png: convert is not installed"
fi

# Permissions, as another user when the tests run as root (nobody, with a
# copy of surfcompare in the work folder: the build folder may be closed to
# other users).
as_user() {
    if [ "$(id -u)" -ne 0 ]; then "$@"; else setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; fi
}
chmod 755 "$work"
user_compare=$compare
[ "$(id -u)" -eq 0 ] && cp "$compare" "$work/surfcompare" && user_compare=$work/surfcompare
if as_user "$user_compare" --version >/dev/null 2>&1; then
    cp -r old locked && chmod 000 locked
    as_user "$user_compare" old locked >/dev/null 2>err
    grep -q "cannot read the folder locked: Permission denied" err || fail "folder without permission: $(cat err)"
    "$compare" old kit --diff unreadable >/dev/null 2>&1
    chmod 777 unreadable && chmod 000 unreadable/03.png
    as_user "$user_compare" kit old --diff unreadable >/dev/null 2>err
    grep -q "cannot read unreadable/03.png to check that it is surfcompare's own: Permission denied" err ||
        fail "unreadable old diff picture: $(cat err)"
    chmod -R u+rwX locked unreadable
else
    skip_part "the permission checks: no other user to run as"
fi

# A journal planted in a folder others can write names a file of the user's
# and one beside the folder: both stay, and the export says what it left.
for tool in shots compare; do
    mkdir -p "planted-$tool/out/.surf-work.4000001/old-.."
    echo "the user's notes" >"planted-$tool/out/notes.txt"
    echo "the user's config" >"planted-$tool/config"
    printf 'notes.txt 0 1\n../config 1 1\n' >"planted-$tool/out/.surf-work.4000001/journal"
    echo planted >"planted-$tool/out/.surf-work.4000001/old-../config"
    if [ $tool = shots ]; then
        "$shots" --out "planted-$tool/out" >/dev/null 2>err
    else
        "$compare" old kit --diff "planted-$tool/out" >/dev/null 2>err
    fi
    rc=$?
    # (surfcompare ends with 1 when the pictures differ)
    case $tool:$rc in shots:0 | compare:[01]) ;; *) fail "planted journal, $tool: exit $rc: $(cat err)" ;; esac
    [ "$(cat "planted-$tool/out/notes.txt")" = "the user's notes" ] && [ "$(cat "planted-$tool/config")" = "the user's config" ] ||
        fail "planted journal, $tool: the user's files changed"
    grep -q "out/.surf-work.4000001/journal: ignored, and its folder left alone" err ||
        fail "planted journal, $tool: not said: $(cat err)"
done

# --help and --version into an output that cannot take them: said so.
for tool in "$shots" "$compare"; do
    for option in --help --version; do
        rc=0; "$tool" "$option" >/dev/full 2>err || rc=$?
        [ $rc -eq 2 ] && grep -q "cannot write the ${option#--} to standard output" err ||
            fail "$tool $option >/dev/full: exit $rc, $(cat err)"
        rc=0; "$tool" "$option" >&- 2>err || rc=$?
        [ $rc -eq 2 ] && grep -q "cannot write the ${option#--}" err || fail "$tool $option >&-: exit $rc, $(cat err)"
    done
done

# Every exit code seen above is one that --help lists.
for seen in "${codes_seen[@]}"; do
    read -r program code <<<"$seen"
    "$program" --help | grep -q "^  $code " || fail "$(basename "$program") --help does not list exit code $code"
done

[ "$failures" -eq 0 ] || exit 1
echo "output safety: all checks passed"

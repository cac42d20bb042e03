#!/usr/bin/env bash
# Exports and surfcompare --diff runs started many at once into a few
# shared folders, each run signalled at a random moment (SIGINT, SIGTERM,
# SIGHUP, SIGKILL) or left to finish.  After each round a run that changes
# nothing (its output cannot be written) puts right what killed runs left;
# then every folder must hold the pictures of one whole run, or none if no
# run got through yet, and nothing of ours hidden.  Interrupted runs must
# exit with 128 + the signal, finished ones with their own code, and say
# nothing but that they wait.
# Usage: stress-output.sh BUILD_DIR [ROUNDS] [SEED]
set -u
build=$(cd "${1:?usage: stress-output.sh BUILD_DIR [ROUNDS] [SEED]}" && pwd)
rounds=${2:-100}
seed=${3:-$$}
RANDOM=$seed
shots=$build/tools/surfplot-shots
kit=$build/tools/surfkit-shots
compare=$build/tools/surfcompare
source "$(dirname "$0")/../tests/support/needs.bash"
for tool in "$shots" "$kit" "$compare"; do [ -x "$tool" ] || cannot_run "$tool is not built"; done
work=$(mktemp -d)
# (kept for a look when a check failed)
trap '[ "$failures" -eq 0 ] && rm -rf "$work" || echo "kept $work" >&2' EXIT
failures=0
cd "$work" || exit 2
failures=0
fail() { echo "FAIL (seed $seed, round $round): $*" >&2; failures=$((failures + 1)); }
sums() { (cd "$1" 2>/dev/null && md5sum ./*.png 2>/dev/null) | sort; }

# The whole sets a folder may hold: two exports of different sizes, and
# the diff pictures of the two directions of one comparison.
round=0
"$shots" --size 300x200 --out set-a >/dev/null 2>&1 && "$shots" --size 320x200 --out set-b >/dev/null 2>&1 &&
    "$kit" --size 300x200 --out kit >/dev/null 2>&1 || { echo "cannot make the sets" >&2; exit 2; }
"$compare" set-a kit --diff set-ak >/dev/null 2>&1
"$compare" kit set-a --diff set-ka >/dev/null 2>&1
known=$(for set in set-a set-b set-ak set-ka; do sums $set | md5sum; done)
whole() { [ -z "$(sums "$1")" ] || grep -qx "$(sums "$1" | md5sum)" <<<"$known"; }

# In one new folder, which every third round removes whole: runs then
# race to make the levels that others remove again when they fail.
folders=(new/out1 new/out2 new/diff1 new/diff2)
signals=(INT:130 TERM:143 HUP:129 KILL:137)
runs_total=0 signalled=0 killed=0 interrupted=0
for round in $(seq "$rounds"); do
    [ $((RANDOM % 3)) -eq 0 ] && rm -rf new
    pids=() expected=()
    for i in $(seq $((2 + RANDOM % 5))); do
        target=${folders[RANDOM % 4]}
        case $target in
            */out*) size=300x200 && [ $((RANDOM % 2)) -eq 0 ] && size=320x200
                  command=("$shots" --size $size --out "$target") own=0 ;;
            */diff*) command=("$compare" set-a kit --diff "$target") own=1
                   [ $((RANDOM % 2)) -eq 0 ] && command=("$compare" kit set-a --diff "$target") ;;
        esac
        # Two runs in three get a signal at a random moment, up to 0.2 s
        # (a run alone takes 0.05 to 0.3 s here, longer when it waits for
        # another); timeout sends it only to its own child, never to a
        # number that another process took since.
        codes=$own
        if [ $((RANDOM % 3)) -ne 0 ]; then
            signal=${signals[RANDOM % 4]}
            command=(timeout --preserve-status -s "${signal%:*}" "$(printf '0.%03d' $((RANDOM % 200)))" "${command[@]}")
            codes="$own ${signal#*:}"
            signalled=$((signalled + 1))
        fi
        "${command[@]}" >/dev/null 2>"err.$i" &
        pids+=($!) expected+=("$codes")
        runs_total=$((runs_total + 1))
    done
    for k in "${!pids[@]}"; do
        { wait "${pids[k]}"; } 2>/dev/null
        rc=$?
        case $rc in
            137) killed=$((killed + 1)) ;;
            129 | 130 | 143) interrupted=$((interrupted + 1)) ;;
        esac
        grep -qw -- "$rc" <<<"${expected[k]}" || fail "run $((k + 1)): exit $rc, expected ${expected[k]}: $(cat "err.$((k + 1))")"
        [ "$(grep -c 'waiting for it to finish' "err.$((k + 1))")" -le 1 ] || fail "run $((k + 1)) said it waits twice"
        # (an interrupt after the titles or the report says so)
        said=(-e 'waiting for it to finish' -e '^wrote 12 pictures')
        [ $rc -gt 128 ] && said+=(-e ': interrupted: the .* above w.* printed, but no .*picture was replaced$')
        err=$(grep -v "${said[@]}" "err.$((k + 1))")
        [ -z "$err" ] || fail "run $((k + 1)) said: $err"
    done
    for target in "${folders[@]}"; do
        # A run that changes nothing: it takes the folder, puts right what
        # a killed run left, and fails at its output.
        case $target in
            */out*) "$shots" --size 300x200 --out "$target" >/dev/full 2>/dev/null ;;
            */diff*) "$compare" set-a kit --diff "$target" >/dev/full 2>/dev/null ;;
        esac
        [ -e "$target" ] || continue
        whole "$target" || fail "$target holds pictures of more than one run: $(ls "$target")"
        hidden=$(ls -A "$target" | grep '^\.')
        [ -z "$hidden" ] || fail "$target: left $hidden"
    done
done
echo "stress (seed $seed): $rounds rounds, $runs_total runs, $signalled signalled:" \
    "$interrupted interrupted, $killed killed, the others done first; $failures failures"
[ "$failures" -eq 0 ]

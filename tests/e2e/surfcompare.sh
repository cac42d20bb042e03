#!/usr/bin/env bash
# surfcompare on real exports: identical, one changed pixel, the finished
# show against the exercise frame, and every kind of bad input.
# Usage: surfcompare.sh BUILD_DIR
set -u
source "$(dirname "$0")/../support/needs.bash"

build=${1:?usage: surfcompare.sh BUILD_DIR}
compare=$build/tools/surfcompare
plot_shots=$build/tools/surfplot-shots
kit_shots=$build/tools/surfkit-shots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs surfcompare with the arguments; sets rc, out, err.
run() {
    "$compare" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

expect_rc() {
    [ "$rc" -eq "$1" ] || fail "$2: exit code $rc, expected $1 (stderr: $err)"
}

# A bad-input run: exit code 2, nothing on stdout, one line on stderr.
expect_bad_input() {
    expect_rc 2 "$1"
    [ -z "$out" ] || fail "$1: wrote to stdout: $out"
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [ -n "$err" ] || fail "$1: expected one error line, got: $err"
    case "$err" in *"$2"*) ;; *) fail "$1: error does not mention '$2': $err" ;; esac
}

# pixel.py FILE X Y: prints the pixel (index, or r,g,b); FILE X Y rgb: its
# colour as r,g,b; FILE X Y INDEX: rewrites the palette picture with that
# pixel changed.
cat >"$work/pixel.py" <<'PY'
import struct, sys, zlib

def chunks(data):
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length

def unfilter(raw, stride, height, bpp):
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return rows

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)

path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
parts = list(chunks(data))
header = dict(parts)[b"IHDR"]
width, height, depth, color = struct.unpack(">IIBB", header[:10])
bpp = 1 if color == 3 else 3
stride = (width * depth + 7) // 8 if color == 3 else width * 3  # (a palette of a few colours: 1, 2 or 4 bits)
rows = unfilter(zlib.decompress(b"".join(body for kind, body in parts if kind == b"IDAT")), stride, height, bpp)
def pixel(row, x):
    if color != 3: return list(row[x * 3:x * 3 + 3])
    bit = x * depth
    return [(row[bit // 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1)]
if len(sys.argv) == 4:
    print(",".join(str(v) for v in pixel(rows[y], x)))
elif sys.argv[4] == "rgb":
    plte, index = dict(parts)[b"PLTE"], pixel(rows[y], x)[0]
    print(",".join(str(v) for v in plte[3 * index:3 * index + 3]))
else:
    rows[y][x] = int(sys.argv[4])
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    out = data[:8] + chunk(b"IHDR", header) + chunk(b"PLTE", dict(parts)[b"PLTE"])
    open(path, "wb").write(out + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
PY
pixel() { python3 "$work/pixel.py" "$@"; }

cd "$work" || exit 2
"$kit_shots" --out kit >/dev/null 2>&1 || fail "surfkit-shots failed"
"$kit_shots" --out kit-again >/dev/null 2>&1 || fail "surfkit-shots failed (second run)"
"$kit_shots" --size 800x600 --out kit-800 >/dev/null 2>&1 || fail "surfkit-shots --size 800x600 failed"
"$plot_shots" --out plot >/dev/null 2>&1 || fail "surfplot-shots failed"

# Two exports of the same show are identical.
run kit kit-again
expect_rc 0 "identical exports"
[ "$(printf '%s\n' "$out" | grep -c '  identical$')" -eq 12 ] || fail "identical exports: not 12 identical lines: $out"
[ "$(printf '%s\n' "$out" | tail -n 1)" = "all 12 pictures identical" ] || fail "identical exports: last line: $out"
for title in "Szintvonal-1" "Pontfelhö" "Tégla (0,1)" "Tégla (1,0)" "X-Y fv-metszet, tömör" "Festett 4szögek"; do
    printf '%s\n' "$out" | grep -qF "$title" || fail "identical exports: title '$title' missing"
done
printf '%s\n' "$out" | grep -q '^ 9  X-Y fv-metszet, tömör  identical$' || fail "identical exports: line 9: $out"
printf '%s\n' "$out" | grep -q '^12  Festett 4szögek        identical$' || fail "identical exports: line 12 not aligned: $out"

# One pixel lit in the background of picture 5: one extra pixel.
cp -r kit fault
[ "$(pixel fault/05.png 10 20)" = 0 ] || fail "picture 5 of surfkit has a lit pixel at (10, 20)"
pixel fault/05.png 10 20 14
run kit fault --diff diff
expect_rc 1 "one changed pixel"
line5=$(printf '%s\n' "$out" | grep '^ 5  ')
case "$line5" in
    *"Tégla (1,1)"*" 1 pixel differs"*"(<0.01%)"*"first at (10, 20):"*"expected 0 (black), actual 14 (yellow)") ;;
    *) fail "one changed pixel: line 5 is '$line5'" ;;
esac
[ "$(printf '%s\n' "$out" | tail -n 1)" = "11 of 12 pictures identical" ] || fail "one changed pixel: last line: $out"
[ "$(ls diff)" = "05.png" ] || fail "one changed pixel: diff folder holds: $(ls diff)"
[ "$(pixel diff/05.png 10 20 rgb)" = "0,255,255" ] || fail "diff: the extra pixel is not cyan: $(pixel diff/05.png 10 20 rgb)"
border=$(pixel kit/05.png 0 0 rgb)
dimmed=$(echo "$border" | awk -F, '{ printf "%d,%d,%d", $1 * 2 / 5, $2 * 2 / 5, $3 * 2 / 5 }')
[ "$(pixel kit/05.png 0 0)" = 15 ] || fail "picture 5 of surfkit has no white border"
[ "$(pixel diff/05.png 0 0 rgb)" = "$dimmed" ] || fail "diff: the border $border is not dimmed to $dimmed: $(pixel diff/05.png 0 0 rgb)"
[ "$(pixel diff/05.png 11 20 rgb)" = "0,0,0" ] || fail "diff: the background is not black"
for spot in "15 20" "5 25" "10 15"; do
    [ "$(pixel diff/05.png $spot rgb)" = "255,255,255" ] || fail "diff: no white ring at ($spot) around the lone pixel"
done

# The JUnit report of the same run: twelve test cases, one failure telling
# the count and the first place; a run that fails leaves it as it was.
run kit fault --junit junit.xml
expect_rc 1 "one changed pixel, JUnit"
junit=$(python3 - junit.xml <<'PY'
import sys, xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
cases = root.findall("./testsuite/testcase")
failed = [(case.get("name"), case.find("failure").get("message")) for case in cases if case.find("failure") is not None]
print(root.get("tests"), root.get("failures"), len(cases), failed)
PY
)
[ "$junit" = "12 1 12 [('05 Tégla (1,1)', '1 pixel differs, first at (10, 20)')]" ] || fail "JUnit report: $junit"
md5sum junit.xml >junit.sums
cp -r kit torn && head -c 300 kit/09.png >torn/09.png
run kit torn --junit junit.xml
expect_rc 2 "corrupt picture, JUnit"
md5sum --quiet -c junit.sums || fail "a failed run changed the JUnit report"
run kit kit-again --junit ""
expect_bad_input "empty JUnit file name" "the --junit file name is empty"

# The same fault the other way round is a missing pixel, in magenta.
run fault kit --diff diff
expect_rc 1 "missing pixel"
[ "$(pixel diff/05.png 10 20 rgb)" = "255,0,255" ] || fail "diff: the missing pixel is not magenta"

# Fixed again: the old diff picture goes.
run kit kit-again --diff diff
expect_rc 0 "identical with --diff"
[ -z "$(ls diff)" ] || fail "identical with --diff: diff folder still holds: $(ls diff)"

# The finished show draws more than the exercise frame.
run plot kit --diff plot-diff
expect_rc 1 "surfplot against surfkit"
printf '%s\n' "$out" | tail -n 1 | grep -q ' of 12 pictures identical$' || fail "surfplot against surfkit: $out"

# Bad input: exit code 2 and no diff pictures of the run left behind.
run kit no-such-folder
expect_bad_input "missing folder" "no such folder: no-such-folder"
cp -r kit gap && rm gap/07.png
run kit gap
expect_bad_input "missing file" "07.png"
run kit kit-800
expect_bad_input "different sizes" "800x600"
cp -r fault broken && head -c 300 kit/09.png >broken/09.png
run kit broken --diff broken-diff
expect_bad_input "corrupt picture" "09.png"
[ ! -e broken-diff ] || fail "corrupt picture: the diff folder was created: $(ls -A broken-diff)"
echo text >not-a-folder
run kit fault --diff not-a-folder/diff
expect_bad_input "unwritable diff folder" "not-a-folder"
run kit fault --diff kit
expect_bad_input "diff folder is a compared folder" "diff folder"
run kit
expect_bad_input "one folder only" "two folders"
run kit kit-again --colour
expect_bad_input "unknown option" "--colour"

# Pictures re-saved by an image tool show the same colours: identical.
if command -v convert >/dev/null; then
    resave() {  # resave NAME OPTIONS... FORMAT: every picture of kit through convert
        local name=$1 format=${*: -1}
        rm -rf "$name" && mkdir "$name"
        for n in 01 02 03 04 05 06 07 08 09 10 11 12; do
            convert "kit/$n.png" "${@:2:$#-2}" "$format$name/$n.png" || fail "convert $*"
        done
        run kit "$name"
        expect_rc 0 "re-saved as $*"
    }
    resave rgb PNG24:
    resave rgba PNG32:
    resave interlaced -interlace PNG PNG8:
    resave deep -depth 16 PNG48:
    resave small-palette -colors 16 PNG8:
    # Fully transparent pixels show black, the background.
    rm -rf clear && mkdir clear
    for n in 01 02 03 04 05 06 07 08 09 10 11 12; do
        convert kit/$n.png -transparent black "PNG32:clear/$n.png"
    done
    run kit clear
    expect_rc 0 "background made transparent"
else
    skip_part "pictures re-saved by an image tool: convert is not installed"
fi

# A --diff folder holding pictures it did not write: refused, untouched.
cp -r kit teacher && md5sum teacher/* >teacher.sums
run kit fault --diff teacher
expect_bad_input "foreign diff folder" "teacher/01.png is not a diff picture of surfcompare"
md5sum --quiet -c teacher.sums || fail "foreign diff folder: its pictures changed"
[ "$(ls -A teacher | wc -l)" -eq 12 ] || fail "foreign diff folder: files added: $(ls -A teacher)"

# A FIFO among the pictures: refused at once.
cp -r kit piped && rm piped/05.png && mkfifo piped/05.png
rc=0
timeout 10 "$compare" kit piped >"$work/out" 2>"$work/err" || rc=$?
[ "$rc" -eq 2 ] || fail "FIFO: exit code $rc, expected 2 (124 is a hang)"
grep -q "05.png is not a regular file" "$work/err" || fail "FIFO: $(cat "$work/err")"

# A report that cannot be written: said on stderr, and no diff put in place.
if [ -w /dev/full ]; then
    rc=0
    "$compare" kit fault --diff full-diff --junit full.xml >/dev/full 2>"$work/err" || rc=$?
    [ "$rc" -eq 2 ] || fail "/dev/full: exit code $rc"
    grep -q "cannot write the report to standard output" "$work/err" || fail "/dev/full: $(cat "$work/err")"
    [ ! -e full-diff ] || fail "/dev/full: the diff folder was created"
    [ -z "$(ls -A | grep full.xml)" ] || fail "/dev/full: the JUnit report was written: $(ls -A | grep full.xml)"
fi
run kit fault --diff ""
expect_bad_input "empty diff folder name" "the --diff folder name is empty"

"$compare" --help | grep -q '^Usage: surfcompare EXPECTED_DIR ACTUAL_DIR' || fail "--help has no usage line"

[ "$failures" -eq 0 ] || exit 1
echo "surfcompare: all checks passed"

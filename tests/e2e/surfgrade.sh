#!/usr/bin/env bash
# surfgrade on a small class: right, partly right, empty and broken
# students, and hostile ones that must be stopped and reported while
# nothing outside their build folders changes; then grading again after one
# student resubmits, and every kind of bad input.
# Usage: surfgrade.sh BUILD_DIR
set -u
build=${1:?usage: surfgrade.sh BUILD_DIR}
top=$(cd "$(dirname "$0")/../.." && pwd)
grade=$build/tools/surfgrade
work=$(mktemp -d)
listener=
sampler=
trap '[ -n "$listener" ] && kill "$listener" 2>/dev/null; [ -n "$sampler" ] && kill "$sampler" 2>/dev/null; chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
[ -n "${KEEP:-}" ] && trap - EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
source "$top/tests/support/needs.bash"
need_tools bwrap python3

# The canary: a teacher's home with a secret, and a folder anyone may
# write, so that only the sandbox keeps a student's code out of them.
class=$work/class
home=$work/home
mkdir -p "$home/open" "$class"
echo "the teacher's secret" >"$home/secret.txt"
chmod 0777 "$work" "$home" "$home/open"
chmod 0666 "$home/secret.txt"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 - "$port" "$work/connections" <<'PY' &
import socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(8)
while True:
    connection, _ = server.accept()
    with open(sys.argv[2], "a") as log:
        log.write("connected\n")
    connection.close()
PY
listener=$!

bash "$top/scripts/grade-class.sh" "$top" "$class" right "Ádám, the right one" partly "Béla \"partly\"" empty "Cecil empty"

# hostile NAME INCLUDES BODY: picture 1's renderer running BODY after its frame.
hostile() {
    mkdir -p "$class/$1"
    cat >"$class/$1/szintvonal1.cpp" <<CPP
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
$2
// A white window tells that the hostile act succeeded.
static void caught() { SetFillStyle(1, 15); Bar(0, 0, 5000, 5000); }
void RAJZSZINT1()
{
    ABLAKTORLES(titles::szintvonal1);
    set_plan_steps();
    $3
}
CPP
}
hostile "Endless loop" "" 'for (volatile int i = 0;; i = i + 1) {}'
hostile "Fork bomb" "#include <unistd.h>" 'for (;;) fork();'
# The limit is on address space: the hog needs not touch its memory, so no
# load on the machine can slow it past its picture's time limit.
hostile "Memory hog" "static char* volatile kept;" 'for (;;) kept = new char[1 << 24];'
hostile "Writer" "#include <cstdio>" "
    const char* places[] = {\"$home/open/written\", \"$home/secret.txt\", \"$class/Cecil empty/szintvonal1.cpp\",
                            \"$work/written\", \"/tmp/written\", \"../../written\"};
    for (const char* place : places) if (std::FILE* f = std::fopen(place, \"w\")) { std::fputs(\"x\", f); std::fclose(f); }"
hostile "Reader" "#include <cstdio>" "
    const char* places[] = {\"$home/secret.txt\", \"$class/Ádám, the right one/tegla.cpp\", \"/etc/passwd\", \"/root/.bashrc\"};
    for (const char* place : places) if (std::FILE* f = std::fopen(place, \"r\")) { std::fclose(f); caught(); }"
hostile "Network" "#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>" "
    for (const char* address : {\"127.0.0.1\", \"1.1.1.1\"}) {
        sockaddr_in to{}; to.sin_family = AF_INET; to.sin_port = htons($port); inet_pton(AF_INET, address, &to.sin_addr);
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        if (s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) caught();
        if (s >= 0) close(s);
    }"
hostile "Printer" "#include <cstdio>" 'for (;;) std::puts("all work and no play makes a dull picture");'
hostile "Big file" "#include <cstdio>" 'if (std::FILE* f = std::fopen("big", "w")) for (;;) std::fputs("0123456789abcdef", f);'
hostile "Runtime error" "#include \"runtime/checks.hpp\"" 'SMALLINT big = 30000; big = to_smallint(checked_mul(big, big));'
# Memory-backed places are read-only; the build folder and /tmp are counted.
hostile "Memory filler" "#include <cstdio>
#include <string>
#include <vector>" "
    const std::vector<char> block(7 << 20, 'x');
    for (const char* place : {\"/dev/shm/\", \"/\", \"/dev/\"})
        for (int i = 0; i < 60; ++i)
            if (std::FILE* f = std::fopen((place + std::to_string(i)).c_str(), \"w\")) {
                if (std::fwrite(block.data(), 1, block.size(), f) == block.size()) caught();
                std::fclose(f);
            }"
hostile "Disk filler" "#include <cstdio>
#include <string>
#include <vector>" "
    const std::vector<char> block(4 << 20, 'x');
    for (int i = 0;; ++i)
        if (std::FILE* f = std::fopen((std::string(i % 2 ? \"/tmp/\" : \"\") + std::to_string(i)).c_str(), \"w\")) {
            std::fwrite(block.data(), 1, block.size(), f);
            std::fclose(f);
        }"
hostile "File maker" "#include <cstdio>
#include <string>" 'for (int i = 0; i < 100000; ++i) if (std::FILE* f = std::fopen(std::to_string(i).c_str(), "w")) std::fclose(f);'
# A chain deeper than the longest path, with a file at its bottom, left behind.
hostile "Deep tree" "#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>" "
    int folder = open(\".\", O_RDONLY | O_DIRECTORY);
    const std::string name(100, 'd');
    for (int level = 0; level < 100 && folder >= 0; ++level) {
        mkdirat(folder, name.c_str(), 0700);
        const int inner = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = inner;
    }
    const int bottom = openat(folder, \"bottom\", O_WRONLY | O_CREAT, 0600);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 5; ++i) (void)!write(bottom, block.data(), block.size());
    fchmod(folder, 0);"
# Pictures swollen after their PNG data, once the export has written them.
hostile "Padder" "#include <cstdlib>
#include <fstream>" 'std::atexit([] { std::ofstream("320x240/01.png", std::ios::app) << std::string(100, 0); });'
hostile $'Title \e]0;TITLE\a\e[2J' "" ""
touch "$class/"$'Title \e]0;TITLE\a\e[2J'/$'\e[31mred.cpp'
# The compiler must not read the teacher's files either.
mkdir -p "$class/Includer"
printf '#include "%s"\n' "$home/secret.txt" >"$class/Includer/tegla.cpp"
# A build that reads without end is stopped by the memory limit.
mkdir -p "$class/Endless include"
printf '#include "/dev/zero"\n' >"$class/Endless include/tegla.cpp"
mkdir -p "$class/Broken"
printf 'void RAJZTEGLA(SMALLINT, SMALLINT) { this is not C++ }\n' >"$class/Broken/tegla.cpp"
# A link handed in instead of a file, and a file that is no renderer.
mkdir -p "$class/Linker"
ln -s "$home/secret.txt" "$class/Linker/pontfelho.cpp"
echo "notes" >"$class/Linker/notes.txt"

snapshot() {
    (cd "$work" && find home class -printf '%p %m %s %T@\n' | sort && find home class -type f -exec sha256sum {} + | sort)
}
snapshot >"$work/before"
export HOME=$home
# The build folders are made here, and must all be gone afterwards.
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
# The memory that memory-backed folders take, at its highest during grading.
shared() { awk '/^Shmem:/ { print $2 }' /proc/meminfo; }
shared_before=$(shared)
(highest=0
 while :; do
     now=$(shared)
     [ "$now" -gt "$highest" ] && highest=$now && echo "$highest" >"$work/shared"
     sleep 0.05
 done) &
sampler=$!
"$grade" "$class" --out "$work/report" --sizes 320x240 --jobs 2 --picture-time 10 --build-time 60 --memory 512 \
    --output 8 --disk 48 --files 1000 >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 0 ] || fail "grading exit $rc: $(cat "$work/err")"
kill "$sampler"
wait "$sampler" 2>/dev/null
sampler=
# (at most the two students' disk limits, where $TMPDIR is kept in memory;
# the memory filler alone would take 1260 MiB)
shared_growth=$((($(cat "$work/shared") - shared_before) / 1024))
echo "memory-backed folders grew by at most $shared_growth MiB while grading"
[ "$shared_growth" -lt 200 ] || fail "memory-backed folders grew by $shared_growth MiB"
grep -q $'\e' "$work/err" && fail "a control character reached the terminal: $(cat -v "$work/err")"
grep -qF 'Title \e]0;TITLE\x07\e[2J/\e[31mred.cpp: ignored' "$work/err" || fail "the name is not shown escaped: $(cat -v "$work/err")"
snapshot >"$work/after"
diff "$work/before" "$work/after" >/dev/null || fail "files outside the build folders changed: $(diff "$work/before" "$work/after")"
[ ! -e "$work/written" ] || fail "a student wrote beside the class"
[ ! -e "$work/connections" ] || fail "a student reached the network"
pgrep -f '/build/program' >/dev/null && fail "a student's program still runs"
[ -z "$(ls -A "$work" | grep surfgrade)" ] || fail "a temporary folder stayed: $(ls -A "$work")"
[ -z "$(ls -A "$TMPDIR")" ] || fail "a build folder stayed: $(ls -A "$TMPDIR")"
grep -q "Linker/notes.txt: ignored, not a renderer's file name" "$work/err" || fail "notes.txt not reported: $(cat "$work/err")"
grep -q "Linker/pontfelho.cpp: ignored, not a regular file" "$work/err" || fail "the link not reported"

csv=$work/report/grades.csv
[ "$(head -1 "$csv")" = "student,size,picture,status,differing_pixels" ] || fail "CSV header: $(head -1 "$csv")"
[ "$(wc -l <"$csv")" -eq $((1 + 22 * 12)) ] || fail "CSV lines: $(wc -l <"$csv")"
# status NAME PICTURE: the CSV's status and differing pixels, the name as CSV quotes it.
status() { grep -F "$1,320x240,$2," "$csv" | cut -d, -f4- | sed 's/^[^,]*,[^,]*,//'; }
row() { grep -F "$1,320x240,$2," "$csv" | awk -F, '{print $(NF-1) "," $NF}'; }
[ "$(grep -c '^"Ádám, the right one",320x240,[0-9]*,identical,0$' "$csv")" -eq 12 ] || fail "the right student is not identical"
[ "$(row '"Béla ""partly"""' 3)" = "identical,0" ] || fail "partly: point cloud $(row '"Béla ""partly"""' 3)"
case $(row '"Béla ""partly"""' 4) in differs,[1-9]*) ;; *) fail "partly: bricks $(row '"Béla ""partly"""' 4)" ;; esac
empty_1=$(row "Cecil empty" 1)
case $empty_1 in differs,[1-9]*) ;; *) fail "empty: $empty_1" ;; esac
[ "$(row Broken 4)" = "build_failed," ] || fail "broken: $(row Broken 4)"
[ "$(row Includer 1)" = "build_failed," ] || fail "includer: $(row Includer 1)"
[ "$(row "Endless include" 1)" = "killed," ] || fail "endless include: $(row "Endless include" 1)"
[ "$(row "Endless loop" 1)" = "timed_out," ] || fail "loop: $(row "Endless loop" 1)"
[ "$(row "Fork bomb" 1)" = "timed_out," ] || fail "fork bomb: $(row "Fork bomb" 1)"
[ "$(row "Memory hog" 1)" = "killed," ] || fail "memory hog: $(row "Memory hog" 1)"
[ "$(row "Printer" 1)" = "killed," ] || fail "printer: $(row "Printer" 1)"
[ "$(row "Big file" 1)" = "killed," ] || fail "big file: $(row "Big file" 1)"
[ "$(row "Runtime error" 5)" = "run_failed," ] || fail "runtime error: $(row "Runtime error" 5)"
[ "$(row "Disk filler" 1)" = "killed," ] || fail "disk filler: $(row "Disk filler" 1)"
[ "$(row "File maker" 1)" = "killed," ] || fail "file maker: $(row "File maker" 1)"
[ "$(row "Padder" 1)" = "run_failed," ] || fail "padder: $(row "Padder" 1)"
[ "$(du -sk "$work/report" | cut -f1)" -lt 20000 ] || fail "the report swelled: $(du -sh "$work/report")"
# The reader, the writer and the network student draw an empty picture 1
# unless what they tried worked.
for name in Reader Writer Network Linker "Memory filler" "Deep tree"; do
    [ "$(row "$name" 1)" = "$empty_1" ] || fail "$name: picture 1 is $(row "$name" 1), the empty one's is $empty_1"
done

html=$work/report/index.html
grep -q 'expected ‘;’\|expected .;. before\|error:' "$html" || fail "no compiler error in the report"
grep -q 'picture 1 did not finish within 10 s' "$html" || fail "the loop's reason is not told"
grep -q 'memory limit of 512 MiB' "$html" || fail "the memory hog's reason is not told"
grep -q 'disk limit of 48 MiB' "$html" || fail "the disk filler's reason is not told"
grep -q 'limit of 1000 files' "$html" || fail "the file maker's reason is not told"
grep -q '100 bytes after the end of its PNG data' "$html" || fail "the padder's reason is not told"
grep -q 'Runtime error 201 at' "$html" && grep -q 'range check: 900000000' "$html" || fail "the run-time error is not told"
grep -q "the teacher's secret" "$work/report" -r && fail "the secret reached the report"
grep -q '&quot;partly&quot;' "$html" || fail "a quote in a name is not escaped"
grep -Eq '(src|href)="(https?:)?//' "$html" && fail "the page fetches something from elsewhere"
for picture in $(grep -o 'src="[^"]*"' "$html" | cut -d'"' -f2 | sort -u); do
    [ -f "$work/report/$picture" ] || { fail "the page shows a missing picture $picture"; break; }
done

# The files for after grading: the grade book agrees with grades.csv, every
# student's page shows only that student, the JUnit counts add up.
python3 - "$work/report" >"$work/books" <<'PY' || fail "grade book, pages or JUnit report: $(cat "$work/books")"
import csv, html, os, re, sys, xml.etree.ElementTree as tree
report = sys.argv[1]
problems = []
rows = list(csv.DictReader(open(os.path.join(report, "grades.csv"), encoding="utf-8")))
names = list(dict.fromkeys(row["student"] for row in rows))
book = list(csv.reader(open(os.path.join(report, "gradebook.csv"), encoding="utf-8")))
if book[0] != ["student", "identical", "total", "score"] or [line[0] for line in book[1:]] != names:
    problems.append("grade book header or order: %s" % [line[0] for line in book])
for name, identical, total, score in book[1:]:
    mine = [row for row in rows if row["student"] == name]
    right = sum(row["status"] == "identical" for row in mine)
    if (int(identical), int(total), int(score)) != (right, len(mine), (200 * right + len(mine)) // (2 * len(mine))):
        problems.append("grade book row %s" % [name, identical, total, score])
pages = sorted(os.listdir(os.path.join(report, "feedback")))
if pages != sorted(name + ".html" for name in names):
    problems.append("feedback pages: %s" % pages)
for name in names:
    page = open(os.path.join(report, "feedback", name + ".html"), encoding="utf-8").read()
    if html.escape(name) not in page:
        problems.append("%s's page does not name them" % name)
    others = [other for other in names if other != name and (other in page or html.escape(other) in page)]
    if others:
        problems.append("%s's page names %s" % (name, others))
    if re.findall(r'(?:src|href)="(?!data:image/png;base64,)', page):
        problems.append("%s's page refers to a file" % name)
    differing = sum(row["student"] == name and row["status"] == "differs" for row in rows)
    # (a build that failed has no pictures to show)
    if page.count("data:image/png") != (0 if "<h2>The build" in page else 12 + 2 * differing):
        problems.append("%s's page holds %d pictures" % (name, page.count("data:image/png")))
# (XML cannot hold control characters: a name's are shown as U+FFFD there)
in_xml = lambda name: re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f]", "\ufffd", name)
suites = tree.parse(os.path.join(report, "junit.xml")).getroot().findall("testsuite")
if [suite.get("name") for suite in suites] != [in_xml(name) for name in names]:
    problems.append("JUnit suites %s" % [suite.get("name") for suite in suites])
for suite in suites:
    mine = [row for row in rows if in_xml(row["student"]) == suite.get("name")]
    cases = suite.findall("testcase")
    counts = (len(cases), len([c for c in cases if c.find("failure") is not None]),
              len([c for c in cases if c.find("error") is not None]))
    right = (len(mine), sum(r["status"] == "differs" for r in mine),
             sum(r["status"] not in ("identical", "differs") for r in mine))
    if counts != right or (suite.get("tests"), suite.get("failures"), suite.get("errors")) != tuple(map(str, right)):
        problems.append("JUnit %s: %s, grades.csv %s" % (suite.get("name"), counts, right))
print("\n".join(problems))
sys.exit(1 if problems else 0)
PY
book=$work/report/gradebook.csv
grep -qx '"Ádám, the right one",12,12,100' "$book" || fail "grade book: the right one: $(grep Ádám "$book")"
grep -qx 'Broken,0,12,0' "$book" || fail "grade book: the broken one: $(grep Broken "$book")"
grep -q 'expected ‘;’\|expected .;. before\|error:' "$work/report/feedback/Broken.html" || fail "no compiler error on the broken one's page"
grep -q 'Runtime error 201 at' "$work/report/feedback/Runtime error.html" || fail "no run-time error on its page"

# Grading again after one student resubmits rebuilds only that one, and
# those stopped by a limit (the machine's load may have stopped them).
stopped=$(awk -F, 'NR > 1 && $(NF - 1) ~ /^(timed_out|killed)$/ { stopped[int((NR - 2) / 12)] = 1 }
                   END { print length(stopped) }' "$csv")
sed -i 's/checked_add(checked_add(checked_mul(I, SK), checked_mul(J, OK)), 1)/checked_add(checked_mul(I, SK), checked_mul(J, OK))/' \
    "$class/Béla \"partly\"/tegla.cpp"
echo "a note of the teacher's" >"$work/report/../keep"
"$grade" "$class" --out "$work/report" --sizes 320x240 --jobs 2 --picture-time 10 --build-time 60 --memory 512 \
    --output 8 --disk 48 --files 1000 >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 0 ] || fail "grading again: exit $rc: $(cat "$work/err")"
grep -q "22 students graded, $((22 - stopped - 1)) of them unchanged since the last report" "$work/out" ||
    fail "grading again, with $stopped stopped by a limit: $(cat "$work/out")"
[ "$(row '"Béla ""partly"""' 4)" = "identical,0" ] || fail "the resubmitted bricks: $(row '"Béla ""partly"""' 4)"
[ "$(grep -c '^"Ádám, the right one",320x240,[0-9]*,identical,0$' "$csv")" -eq 12 ] || fail "the right one, taken over"

# Bad input: one line, exit 2, the report untouched.
before_report=$(cd "$work/report" && find . -printf '%p %s %T@\n' | sort)
bad() {
    local what=$1
    shift
    "$grade" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    [ $rc -eq 2 ] || fail "$what: exit $rc"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$what: not one line: $(cat "$work/err")"
}
mkdir -p "$work/empty-class" "$work/foreign"
echo "mine" >"$work/foreign/thesis.txt"
bad "missing class" "$work/nowhere" --out "$work/report"
bad "empty class" "$work/empty-class" --out "$work/report"
bad "foreign report folder" "$class" --out "$work/foreign"
[ "$(cat "$work/foreign/thesis.txt")" = mine ] && [ "$(ls -A "$work/foreign")" = thesis.txt ] || fail "the foreign folder changed"
bad "size out of range" "$class" --out "$work/report" --sizes 320x240,100x100
bad "bad size" "$class" --out "$work/report" --sizes big
bad "no report" "$class"
bad "report inside the class" "$class" --out "$class/report"
[ ! -e "$class/report" ] || fail "a report was written inside the class"
bad "missing folder" "$class" --out "$work/missing/dir/r"
grep -q "the folder $work/missing/dir does not exist" "$work/err" || fail "missing folder: $(cat "$work/err")"
bad "too short a picture time" "$class" --out "$work/report" --picture-time 0.05
# Ctrl+C while grading: 130, and the earlier report as it was.
"$grade" "$class" --out "$work/report" --sizes 320x240 --jobs 2 --disk 48 --files 1000 >"$work/out" 2>"$work/err" &
grading=$!
for _ in $(seq 600); do compgen -G "$work/.report.surfgrade-*/expected/320x240/12.png" >/dev/null && break; sleep 0.1; done
kill -INT "$grading"
wait "$grading"
rc=$?
[ $rc -eq 130 ] || fail "Ctrl+C: exit $rc: $(cat "$work/err")"
# Without a sandbox it refuses, unless told to go on without one.
PATH=/nonexistent "$grade" "$class" --out "$work/report" >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] || fail "no bubblewrap: exit $rc: $(cat "$work/err")"
grep -q "cannot make a sandbox.*--no-sandbox" "$work/err" || fail "no reason for refusing: $(cat "$work/err")"
[ "$before_report" = "$(cd "$work/report" && find . -printf '%p %s %T@\n' | sort)" ] || fail "bad input changed the report"
mkdir -p "$work/trusted/Teacher"
PATH=/nonexistent "$grade" "$work/trusted" --out "$work/trusted-report" --sizes 320x240 --no-sandbox >"$work/out" 2>"$work/err" ||
    fail "--no-sandbox: $(cat "$work/err")"
[ "$(grep -c '^Teacher,320x240,[0-9]*,differs,[1-9]' "$work/trusted-report/grades.csv")" -eq 12 ] ||
    fail "--no-sandbox grades: $(head -n 3 "$work/trusted-report/grades.csv")"

[ $failures -eq 0 ] && echo "surfgrade: all checks passed"
exit $((failures > 0))

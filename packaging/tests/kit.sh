#!/usr/bin/env bash
# A student's build of the installed exercise sources: copied out of the
# installed tree, built on their own, and drawing what the installed
# surfkit-shots draws; then its check of every push as a CI job runs it,
# and the CI files that run it.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"
unpack
cp -r "$root/usr/share/surfplot/kit" "$work/surfkit"
cd "$work/surfkit" || exit 1
cmake -S . -B build -DCMAKE_CXX_FLAGS=-Werror >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "cmake"; finish; exit; }
cmake --build build -j2 >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log"; fail "the kit does not build"; finish; exit; }
[ -x build/surfkit ] || fail "no build/surfkit"

build/surfkit-shots --size 400x300 --out mine >/dev/null || fail "the kit's surfkit-shots"
surfkit-shots --size 400x300 --out installed >/dev/null || fail "installed surfkit-shots"
surfcompare installed mine >"$work/report"; rc=$?
[ $rc -eq 0 ] || fail "the kit's pictures differ from the installed frame's (exit $rc): $(head -n 3 "$work/report")"

# The check of every push, run as a CI job runs it.  check COUNTS: the
# JUnit report's tests, failures and errors, and the test cases that passed.
junit() {
    python3 - check-report/junit.xml <<'PY'
import sys, xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
cases = root.findall("./testsuite/testcase")
passed = [case.get("name")[:2] for case in cases if len(case) == 0]
print(root.get("tests"), root.get("failures"), root.get("errors"), " ".join(passed))
PY
}
check() { bash check.sh "$@" >"$work/check.out" 2>&1; }
check installed
rc=$?
[ $rc -eq 0 ] || fail "check.sh on the untouched kit: exit $rc: $(tail -n 5 "$work/check.out")"
[ "$(junit)" = "12 0 0 01 02 03 04 05 06 07 08 09 10 11 12" ] || fail "check.sh on the untouched kit: JUnit $(junit)"
# One renderer done (the point cloud, picture 3), against the finished program's pictures.
bash "$source/scripts/grade-class.sh" "$source" "$work/class" partly done || fail "grade-class.sh"
cp "$work/class/done/pontfelho.cpp" skeleton/pontfelho.cpp
surfplot-shots --size 400x300 --out expected >/dev/null || fail "installed surfplot-shots"
check expected
rc=$?
[ $rc -eq 1 ] || fail "check.sh with one renderer done: exit $rc: $(tail -n 5 "$work/check.out")"
[ "$(junit)" = "12 11 0 03" ] || fail "check.sh with one renderer done: JUnit $(junit)"
[ -f check-report/01.png ] && [ ! -e check-report/03.png ] && [ -f check-report/actual/03.png ] ||
    fail "check.sh with one renderer done: check-report/ holds $(ls check-report | tr '\n' ' ')"
grep -q "^1 of 12 pictures identical" check-report/report.txt || fail "check.sh: report.txt $(tail -n 1 check-report/report.txt)"
# A renderer that does not build, and no expected pictures: exit 2.
echo "this is not C++" >>skeleton/tegla.cpp
check expected
rc=$?
[ $rc -eq 2 ] && grep -q "the build failed" "$work/check.out" || fail "check.sh, a build that fails: exit $rc: $(tail -n 3 "$work/check.out")"
[ "$(junit)" = "1 0 1 " ] || fail "check.sh, a build that fails: JUnit $(junit)"
check nowhere
rc=$?
[ $rc -eq 2 ] && grep -q "no such folder: nowhere" "$work/check.out" || fail "check.sh nowhere: exit $rc: $(cat "$work/check.out")"

# The CI files: each runs the check on every push on a Debian or Ubuntu
# image, after installing every package the README lists, and keeps the report.
python3 - README .github/workflows/check.yml .gitlab-ci.yml >"$work/ci.out" 2>&1 <<'PY' || fail "CI files: $(cat "$work/ci.out")"
import re, sys, yaml
readme, github_file, gitlab_file = sys.argv[1:]
listed = re.search(r"The build needs (.*?) \(", open(readme).read(), re.S).group(1)
packages = re.split(r",\s*|\s+and\s+", " ".join(listed.split()))
github = yaml.safe_load(open(github_file))
gitlab = yaml.safe_load(open(gitlab_file))
job = github["jobs"]["check"]
steps = job["steps"]
runs = "\n".join(step.get("run", "") for step in steps)
# (YAML reads the key "on" as true)
assert "push" in github[True], "GitHub: not run on push"
assert re.match(r"ubuntu-", job["runs-on"]), job["runs-on"]
assert "bash check.sh expected" in runs, runs
kept = [step for step in steps if step.get("uses", "").startswith("actions/upload-artifact")]
assert kept and kept[0]["with"]["path"].startswith("check-report") and "always()" in kept[0]["if"], kept
check = gitlab["check"]
assert re.match(r"(debian|ubuntu):", check["image"]), check["image"]
assert "bash check.sh expected" in check["script"], check["script"]
assert check["artifacts"]["reports"]["junit"] == "check-report/junit.xml", check["artifacts"]
assert check["artifacts"]["when"] == "always" and "check-report/" in check["artifacts"]["paths"], check["artifacts"]
for package in packages:
    for name, text in (("GitHub", runs), ("GitLab", " ".join(check["before_script"]))):
        assert re.search(r"install .*\b%s(\s|$)" % re.escape(package), text), "%s does not install %s" % (name, package)
PY
finish

# What a test script does when a tool or a permission it needs is missing.
# On a CI machine (CI in the environment, as CI services set it) everything
# the tests need is installed and granted, so a missing one fails the test
# and says which: a skip there would hide a whole class of tests.  Elsewhere
# the test, or the part of it, is skipped (exit 77: CTest's "skipped").
# Sourced by the end-to-end, package and Windows test scripts.

on_ci() { case ${CI:-} in "" | false | 0 | no) return 1 ;; *) return 0 ;; esac; }

# Ends the test that cannot run: "cannot_run tmux is not installed".
cannot_run() {
    if on_ci; then
        echo "FAIL: $* (on CI nothing may be skipped)"
        exit 1
    fi
    echo "skipped: $*"
    exit 77
}

# Ends the test unless every command named is on PATH.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
    done
}

# A part of a test that cannot run: on CI a failure, counted by the test's
# own fail function; a note otherwise.
skip_part() {
    if on_ci; then
        fail "$* (on CI nothing may be skipped)"
    else
        echo "skipped: $*"
    fi
}

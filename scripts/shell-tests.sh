# Sourced by the shell-level tests: a scratch folder removed on exit, pass and fail counts, `expect`,
# and `finish`, which prints the closing line CTest reads and exits non-zero on any failure.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0 skipped=0

expect() { # name, expected, actual
    if [[ $2 == "$3" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    fi
}

finish() {
    if ((skipped > 0)); then
        echo "$passed passed, $failed failed, $skipped skipped"
    else
        echo "$passed passed, $failed failed"
    fi
    ((failed == 0))
}

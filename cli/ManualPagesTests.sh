#!/bin/sh
# The manual pages as man-db shows them in a UTF-8 terminal and under LC_ALL=C: no warning from groff,
# no character it could not show ("?"), and the programs' middle dot and ellipsis in both.
# Usage: ManualPagesTests.sh TALLYFOX_PAGE WIDGETHOST_PAGE
set -u
tallyfox_page=$1 widgethost_page=$2
command -v man >/dev/null || { echo "skipped: man is not installed"; exit 77; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

shown() { # LOCALE PAGE: the rendered page
    LC_ALL=$1 MANWIDTH=80 man -l "$2" 2>/dev/null
}

for locale in C.UTF-8 C; do
    for page in "$tallyfox_page" "$widgethost_page"; do
        text=$(shown "$locale" "$page")
        warnings=$(LC_ALL=$locale MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page under LC_ALL=$locale: $warnings"
        case $text in *"?"*) fail "$page under LC_ALL=$locale shows '?': $(printf '%s\n' "$text" | grep -m3 '?')" ;; esac
    done
done

expect() { # LOCALE PAGE TEXT
    shown "$1" "$2" | tr -s ' \n' '  ' | grep -qF -- "$3" || fail "$2 under LC_ALL=$1 lacks: $3"
}
expect C.UTF-8 "$tallyfox_page" "The first line is Tallyfox · snapshot"
expect C "$tallyfox_page" "The first line is Tallyfox . snapshot"
expect C.UTF-8 "$tallyfox_page" "the widget shows “Open Tallyfox”"
expect C "$tallyfox_page" "the widget shows \"Open Tallyfox\""
expect C.UTF-8 "$widgethost_page" "Edit Widget…"
expect C "$widgethost_page" "Edit Widget..."

[ $failed -eq 0 ] && echo "manual pages: fine in C.UTF-8 and C"
exit $failed

#!/usr/bin/env bash
# The launcher entry, the AppStream metadata and the icon as the build configures them, and the
# launcher entry's Exec line as the install step writes it for prefixes that need quoting.
# Usage: DesktopFileTests.sh PACKAGING-SOURCE-DIR PACKAGING-BINARY-DIR ICON-THEME-DIR
set -u
source=$(realpath "$1")
binary=$(realpath "$2")
theme=$(realpath "$3")
. "$(dirname "$0")/../scripts/shell-tests.sh"

id=com.tallyfox.Tallyfox.Widgets
entry="$binary/$id.desktop"
metainfo="$binary/$id.metainfo.xml"
expect "desktop-file-validate accepts the launcher entry" "" "$(desktop-file-validate "$entry" 2>&1)"
expect "it is called Tallyfox Widgets" "Name=Tallyfox Widgets" "$(grep '^Name=' "$entry")"
expect "it runs the live widgets" "Exec=/usr/bin/widgethost show" "$(grep '^Exec=' "$entry")"
icon=$(sed -n 's/^Icon=//p' "$entry")
expect "its icon is named after the application" "$id" "$icon"
expect "the icon is a square SVG that renders" "PNG image data, 256 x 256" \
    "$(rsvg-convert -w 256 "$theme/scalable/apps/$icon.svg" -o "$work/icon.png" 2>&1 && file -b "$work/icon.png" | cut -d, -f1-2)"
# Drawn at each size for desktops that load no SVG; the product mark's name is an alias of each.
for size in 16 24 32 48 64 128 256; do
    expect "the icon at $size pixels" "PNG image data, $size x $size" \
        "$(file -b "$theme/${size}x$size/apps/$icon.png" | cut -d, -f1-2)"
    expect "the alias at $size pixels" "$icon.png" "$(readlink "$theme/${size}x$size/apps/com.tallyfox.Tallyfox.png")"
done
expect "the alias of the SVG" "$icon.svg" "$(readlink "$theme/scalable/apps/com.tallyfox.Tallyfox.svg")"

if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream" 2>&1
    expect "appstreamcli validates the metadata" "0" "$?"
    grep -E '^ *(E|W):' "$work/appstream"
else
    echo "(appstreamcli is missing: the metadata is not validated)"
fi
expect "the metadata launches the entry" "$id.desktop" "$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")"
expect "its screenshot is the README's picture" "https://tallyfox.invalid/docs/widgets.png" \
    "$(sed -n 's:.*<image type="source">\(.*\)</image>.*:\1:p' "$metainfo")"
expect "which is in the checkout" "yes" "$([[ -f $source/../docs/widgets.png ]] && echo yes)"

# The install step's Exec line for prefixes with reserved characters.
exec_line() { # prefix
    cmake -DCMAKE_INSTALL_PREFIX="$1" -DTEMPLATE="$source/$id.desktop.in" -DSCRATCH="$work/scratch" \
        -DDESTINATION=share/applications -DBINDIR=bin -DTALLYFOX_ICON_NAME="$icon" \
        -P "$source/InstallDesktopEntry.cmake" >/dev/null 2>"$work/cmake.err" || cat "$work/cmake.err"
    grep -E '^(Exec|TryExec)=' "$1/share/applications/$id.desktop"
    desktop-file-validate "$1/share/applications/$id.desktop"
}
expect "a plain prefix" "TryExec=$work/plain/bin/widgethost
Exec=$work/plain/bin/widgethost show" "$(exec_line "$work/plain")"
expect "a prefix with a space and a percent sign" "TryExec=$work/my 100%/bin/widgethost
Exec=\"$work/my 100%%/bin/widgethost\" show" "$(exec_line "$work/my 100%")"
# (CMake itself cannot install below a folder whose name holds a backslash.)
expect "a prefix with a dollar sign and quotes" "TryExec=$work/\$a\"b'c/bin/widgethost
Exec=\"$work/\\\\\$a\\\\\"b'c/bin/widgethost\" show" "$(exec_line "$work/\$a\"b'c")"

finish

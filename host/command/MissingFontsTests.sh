#!/usr/bin/env bash
# The widget drawn on a machine without the fonts it renders with: in a private mount namespace the
# font packages' folders are covered with empty ones. The widget still draws (its warning and clock
# symbols drawn by the host), and `show --verbose` says which font is missing and what takes its place.
# Needs root for the mount namespace (as CI runs); skipped otherwise.
# Usage: MissingFontsTests.sh WIDGETHOST-EXECUTABLE
set -u
host=$(realpath "$1")
. "$(dirname "$0")/../../scripts/shell-tests.sh"

if ! unshare --mount true 2>/dev/null; then
    echo "skipped: no private mount namespace here (needs root)"
    skipped=1
    finish
    exit
fi

inter=/usr/share/fonts/opentype/inter
cjk=/usr/share/fonts/opentype/noto
hebrew=/usr/share/fonts/truetype/noto
dejavu=/usr/share/fonts/truetype/dejavu
material="/usr/share/fonts/truetype/material-design-icons-iconfont /usr/share/fonts-material-design-icons-iconfont"
awesome="/usr/share/fonts/truetype/font-awesome /usr/share/fonts-font-awesome"

without() { # "FOLDER..." COMMAND...: runs COMMAND with each existing FOLDER covered by an empty one
    local folders=$1
    shift
    unshare --mount bash -c 'for f in $1; do [ -d "$f" ] && mount -t tmpfs -o ro none "$f"; done; shift; exec "$@"' \
        hide "$folders" "$@"
}

export HOME="$work/home" TZ=UTC LC_ALL=C.UTF-8
unset TALLYFOX_DEBUG_LOG
container="$HOME/Library/Group Containers/group.com.tallyfox.Tallyfox"
mkdir -p "$container"
# Critical and warning levels, and data old enough to be stale: all three drawn symbols show.
cat >"$container/widget-snapshot.json" <<'JSON'
{"schemaVersion":1,"generatedAt":"2026-03-02T10:00:00Z","state":{"providers":{"_0":[
 {"provider":"claudeCode","accountName":"Work","windows":[{"kind":300,"usage":97,"resetsAt":"2026-03-02T12:00:00Z"}],"updatedAt":"2026-03-02T09:00:00Z"},
 {"provider":"codex","windows":[{"kind":300,"usage":88,"resetsAt":"2026-03-02T12:00:00Z"}],"updatedAt":"2026-03-02T10:00:00Z"}]}},
 "language":"ja"}
JSON
now=(--now 2026-03-02T10:01:00Z)

symbols() { grep -o 'Symbol "[a-z.]*" .* \(drawn\|missing\|Material Icons U+[0-9A-F]*\) ' | sed 's/ (.*) / /' | sort -u; }

# --- the icon font missing: the symbols that carry meaning are drawn, not left out ---
expect "with Material Icons the symbols are its glyphs" 'Symbol "clock" Material Icons U+E8B5 
Symbol "exclamationmark.circle.fill" Material Icons U+E000 
Symbol "exclamationmark.triangle.fill" Material Icons U+E002 ' \
    "$("$host" layout --family medium "${now[@]}" | symbols)"
expect "without Material Icons the symbols are drawn" 'Symbol "clock" drawn 
Symbol "exclamationmark.circle.fill" drawn 
Symbol "exclamationmark.triangle.fill" drawn ' \
    "$(without "$material" "$host" layout --family medium "${now[@]}" | symbols)"

# --- nothing installed at all: the widget still renders, and draws its symbols ---
all="$inter $cjk $hebrew $dejavu $material $awesome"
without "$all" "$host" render --family medium "${now[@]}" --output "$work/bare.png" 2>"$work/err"
expect "a render without any font succeeds" "0" "$?"
expect "and writes a picture" "PNG image data, 728 x 340" "$(file -b "$work/bare.png" | cut -d, -f1-2)"
without "$material" "$host" render --family medium "${now[@]}" --output "$work/drawn.png" 2>/dev/null
"$host" render --family medium "${now[@]}" --output "$work/glyphs.png" 2>/dev/null
expect "drawn symbols change the picture, glyphs or not" "differ" \
    "$(cmp -s "$work/drawn.png" "$work/glyphs.png" && echo same || echo differ)"

# --- show --verbose names each missing font once, and what takes its place ---
if command -v xvfb-run >/dev/null && command -v dbus-run-session >/dev/null; then
    verbose() { # folders: the lines `show --verbose` prints about fonts in its first seconds
        without "$1" dbus-run-session -- xvfb-run -a timeout -s INT 4 "$host" show --verbose --surface window \
            2>&1 >/dev/null | grep 'font ' | sort
    }
    expect "Inter missing: its text falls back to the next font that has Latin letters" \
        "widgethost: font Inter (package fonts-inter) is not installed; its text is drawn in Noto Sans CJK JP" \
        "$(verbose "$inter")"
    expect "CJK missing: its characters show as boxes" \
        "widgethost: font Noto Sans CJK (package fonts-noto-cjk) is not installed, and no other font has its characters: they show as boxes" \
        "$(verbose "$cjk")"
    expect "icon fonts missing: the widget draws its symbols" \
        "widgethost: font FontAwesome (package fonts-font-awesome) is not installed; the widget draws its warning and clock symbols itself
widgethost: font Material Icons (package fonts-material-design-icons-iconfont) is not installed; the widget draws its warning and clock symbols itself" \
        "$(verbose "$material $awesome")"
    expect "every font installed: no line about fonts" "" "$(verbose "")"
else
    echo "skipped: show --verbose needs xvfb-run and dbus-run-session"
    skipped=$((skipped + 1))
fi

finish

#!/usr/bin/env bash
# `cmake --install` into a temporary prefix, then both programs run from there through their links,
# the prefix moved elsewhere, the manual pages rendered, and the desktop files checked.
# Usage: InstallTests.sh BUILD-DIR SOURCE-DIR VERSION LANGUAGES
set -u
build=$(realpath "$1")
source=$(realpath "$2")
version=$3
read -ra languages <<<"$4"
. "$(dirname "$0")/../scripts/shell-tests.sh"

prefix="$work/prefix"
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "0 passed, 1 failed"
    exit 1
fi

# --- layout ---
expect "the tool's link is relative" "../lib/tallyfox/Tallyfox.app/Contents/MacOS/tallyfox" "$(readlink "$prefix/bin/tallyfox")"
expect "the bundle is whole" "yes" "$([[ -f $prefix/lib/tallyfox/Tallyfox.app/Contents/Info.plist && -x $prefix/lib/tallyfox/Tallyfox.app/Contents/MacOS/tallyfox ]] && echo yes)"
for file in share/man/man1/tallyfox.1.gz share/bash-completion/completions/tallyfox share/zsh/site-functions/_tallyfox \
    share/fish/vendor_completions.d/tallyfox.fish share/doc/tallyfox/copyright share/doc/tallyfox/changelog.gz \
    share/tallyfox/contrib/tallyfox-waybar share/tallyfox/contrib/README.md; do
    expect "installed: $file" "yes" "$([[ -s $prefix/$file ]] && echo yes)"
done
expect "recipes are executable" "yes" "$([[ -x $prefix/share/tallyfox/contrib/tallyfox-notify ]] && echo yes)"

# Nothing installed refers to the build folder: no text file names it, and every run path is
# relative to the binary that carries it.
expect "no installed text names the build folder" "" "$(grep -rIl -- "$build" "$prefix")"
while IFS= read -r binary; do
    paths=$(readelf -d "$binary" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
    expect "run path of ${binary#"$prefix"/}" "" "$(tr : '\n' <<<"$paths" | grep -v '^\$ORIGIN' | grep .)"
done < <(find "$prefix" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' sh {} \; -print)

# --- the tool, through its link, in a private HOME ---
export HOME="$work/home"
container="$HOME/Library/Group Containers/group.com.tallyfox.Tallyfox"
mkdir -p "$container"
"$source/bench/make-snapshot" --entries 3 >"$container/widget-snapshot.json"
check_tool() { # where, prefix
    expect "tallyfox --version ($1)" "Tallyfox $version" "$("$2/bin/tallyfox" --version 2>&1)"
    expect "tallyfox status ($1)" "yes" "$([[ $("$2/bin/tallyfox" status 2>&1 | head -1) == "Tallyfox · snapshot "* ]] && echo yes)"
    expect "tallyfox status --json ($1)" "1 3" "$("$2/bin/tallyfox" status --json | jq -r '"\(.schemaVersion) \(.providers | length)"')"
}
check_tool "installed" "$prefix"
# A link of the user's own, on PATH, still finds the bundle.
mkdir -p "$work/path"
ln -s "$prefix/bin/tallyfox" "$work/path/tallyfox"
expect "tallyfox through a link on PATH" "Tallyfox $version" "$(PATH="$work/path:$PATH" tallyfox --version)"

# --- manual pages render without warnings ---
for page in "$prefix"/share/man/man1/*.1.gz; do
    MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" >"$work/page" 2>"$work/page.err"
    expect "$(basename "$page") renders" "0" "$?"
    expect "$(basename "$page") renders without warnings" "" "$(cat "$work/page.err")"
    expect "$(basename "$page") has its name section" "yes" "$(grep -q '^NAME' "$work/page" && echo yes)"
done

# --- bash-completion finds the completions where it looks for them ---
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
    loaded=$(XDG_DATA_DIRS="$prefix/share" bash -c 'source /usr/share/bash-completion/bash_completion
        __load_completion tallyfox && complete -p tallyfox' 2>&1)
    expect "bash-completion loads tallyfox's completion" "complete -F _tallyfox tallyfox" "$loaded"
fi

# --- the host and the desktop files, once the host is built ---
if [[ -e $prefix/bin/widgethost ]]; then
    expect "the host's link is relative" "../lib/tallyfox/bin/widgethost" "$(readlink "$prefix/bin/widgethost")"
    expect "widgethost describe (installed)" "TallyfoxWidget" "$("$prefix/bin/widgethost" describe --json 2>&1 | jq -r .kind 2>&1)"
    # The platform library comes from the prefix, not from the build.
    expect "the host loads the installed platform library" "$prefix/lib/tallyfox/lib/libTallyfoxPlatform.so" \
        "$(LD_DEBUG=libs "$prefix/bin/widgethost" describe --json 2>&1 >/dev/null |
            sed -n 's/.*calling init: \(.*libTallyfoxPlatform.so\)$/\1/p' | head -1 | xargs -r realpath)"
    # The host's own string tables lie where it looks for them, ../share/locale from its folder.
    for language in "${languages[@]}"; do
        expect "installed: the host's $language string table" "yes" \
            "$([[ -s $prefix/lib/tallyfox/share/locale/$language/LC_MESSAGES/widgethost.mo ]] && echo yes)"
    done
    for file in share/man/man1/widgethost.1.gz share/bash-completion/completions/widgethost share/zsh/site-functions/_widgethost \
        share/fish/vendor_completions.d/widgethost.fish share/icons/hicolor/scalable/apps/com.tallyfox.Tallyfox.Widgets.svg \
        share/icons/hicolor/48x48/apps/com.tallyfox.Tallyfox.Widgets.png share/metainfo/com.tallyfox.Tallyfox.Widgets.metainfo.xml; do
        expect "installed: $file" "yes" "$([[ -s $prefix/$file ]] && echo yes)"
    done
    expect "the product mark's name is a link to the icon" "com.tallyfox.Tallyfox.Widgets.svg" \
        "$(readlink "$prefix/share/icons/hicolor/scalable/apps/com.tallyfox.Tallyfox.svg")"
    expect "the launcher entry's icon" "Icon=com.tallyfox.Tallyfox.Widgets" "$(grep '^Icon=' "$prefix/share/applications/com.tallyfox.Tallyfox.Widgets.desktop")"
    entry="$prefix/share/applications/com.tallyfox.Tallyfox.Widgets.desktop"
    expect "the launcher entry runs the installed host" "Exec=$prefix/bin/widgethost show" "$(grep '^Exec=' "$entry")"
    expect "the launcher entry passes desktop-file-validate" "" "$(desktop-file-validate "$entry" 2>&1)"
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/com.tallyfox.Tallyfox.Widgets.metainfo.xml" >"$work/appstream" 2>&1
        expect "the AppStream metadata validates" "0" "$?"
        grep -E '^(E|W):' "$work/appstream"
    fi
    expect "widgethost --version (installed)" "Tallyfox $version" "$("$prefix/bin/widgethost" --version 2>&1)"
    # The autostart entry starts the host by the link the user runs, not by the file behind it.
    if "$prefix/bin/widgethost" autostart status >/dev/null 2>&1; then
        export XDG_CONFIG_HOME="$work/config"
        autostart_entry="$XDG_CONFIG_HOME/autostart/com.tallyfox.Tallyfox.Widgets.desktop"
        expect "widgethost autostart on" "on: $autostart_entry" "$("$prefix/bin/widgethost" autostart on 2>&1)"
        expect "the autostart entry runs the installed link" "Exec=$prefix/bin/widgethost show" "$(grep '^Exec=' "$autostart_entry")"
        expect "and tries it" "TryExec=$prefix/bin/widgethost" "$(grep '^TryExec=' "$autostart_entry")"
        expect "the autostart entry passes desktop-file-validate" "" "$(desktop-file-validate "$autostart_entry" 2>&1)"
        "$prefix/lib/tallyfox/bin/widgethost" autostart on >/dev/null
        expect "run by the file behind the link: the link" "Exec=$prefix/bin/widgethost show" "$(grep '^Exec=' "$autostart_entry")"
        (cd "$prefix/bin" && PATH="$prefix/bin:$PATH" widgethost autostart on >/dev/null)
        expect "run by name from PATH: the link" "Exec=$prefix/bin/widgethost show" "$(grep '^Exec=' "$autostart_entry")"
        ln -s "$prefix/bin/widgethost" "$work/path/widgets"
        PATH="$work/path:$PATH" widgets autostart on >/dev/null
        expect "run by a link of the user's own: that link" "Exec=$work/path/widgets show" "$(grep '^Exec=' "$autostart_entry")"
        expect "widgethost autostart off" "off" "$("$prefix/bin/widgethost" autostart off 2>&1)"
        unset XDG_CONFIG_HOME
    else
        echo "(widgethost has no autostart command yet: the autostart entry is not checked)"
    fi
else
    echo "(widgethost is not built: its installed files are not checked)"
fi

# --- the same from a moved prefix: nothing depends on where it was installed ---
mv "$prefix" "$work/moved"
check_tool "moved" "$work/moved"
if [[ -e $work/moved/bin/widgethost ]]; then
    expect "widgethost describe (moved)" "TallyfoxWidget" "$("$work/moved/bin/widgethost" describe --json 2>&1 | jq -r .kind 2>&1)"
fi

finish
